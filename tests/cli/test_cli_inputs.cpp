// Inputs that are missing, hostile, too big, the output itself or of mixed sizes: a refusal is
// one line naming the culprit; what is accepted renders, and says so when it is doubtful.
#include <unistd.h>

#include <QProcessEnvironment>
#include <QSet>

#include <functional>

#include "CliFixture.h"

namespace duovis::clitest {
namespace {

constexpr int kW = 8;
constexpr int kH = 4;

quint32 crc32(const QByteArray& bytes) {
    quint32 c = 0xFFFFFFFFu;
    for (const char b : bytes) {
        c ^= static_cast<quint8>(b);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

QByteArray bigEndian(quint32 v) {
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>((v >> shift) & 0xFFu));
    return out;
}

// One PNG chunk: length, type and data, and the checksum over type and data.
QByteArray chunk(const QByteArray& typeAndData) {
    return bigEndian(static_cast<quint32>(typeAndData.size() - 4)) + typeAndData +
           bigEndian(crc32(typeAndData));
}

// A PNG of a few dozen bytes whose header claims 60000 x 60000 RGBA pixels, followed by a first
// row's worth of compressed pixel data (a zlib stream, without Qt's length prefix).
QByteArray pngClaimingHugeSize() {
    return "\x89PNG\r\n\x1a\n" +
           chunk("IHDR" + bigEndian(60000) + bigEndian(60000) + QByteArray("\x08\x06\0\0\0", 5)) +
           chunk("IDAT" + qCompress(QByteArray(64, '\0')).mid(4)) + chunk("IEND");
}

// Three frames, 0001 to 0003, each of one colour.
void saveFrames(const QString& dir, const QString& prefix) {
    for (int i = 1; i <= 3; ++i) {
        QImage img(kW, kH, QImage::Format_ARGB32);
        img.fill(qRgba(i * 40, 90, 0, 255));
        ASSERT_TRUE(img.save(dir + "/" + prefix + QString::number(i).rightJustified(4, '0') + ".png"));
    }
}

using Check = std::function<void(const Result&, const QDir&)>;

struct InputCase {
    const char* what;
    const char* args;  // split at spaces; SEQ and NONUTF8 as below
    const char* env;   // NAME=VALUE or null
    bool accepted;
    const char* message;  // on stderr, in the refusal or a warning
    Check check = {};     // further properties, or none
    friend void PrintTo(const InputCase& c, std::ostream* os) { *os << c.what; }
};

// SEQ renders the 8 x 4 left frames side by side, quietly, to the output named next.
QStringList argsOf(const InputCase& c) {
    return QString(c.args).replace("SEQ", "render L_%04d.png -p DISPLAY_TYPE=4 --quiet -o").split(' ');
}

Check noneMatch(const char* glob) {
    return [glob](const Result&, const QDir& d) { EXPECT_TRUE(d.entryList({glob}).isEmpty()) << glob; };
}
Check exists(const char* file) {
    return [file](const Result&, const QDir& d) { EXPECT_TRUE(d.exists(file)) << file; };
}
Check once(const char* text, const Check& also = {}) {
    return [=](const Result& r, const QDir& d) {
        EXPECT_EQ(r.err.count(text), 1) << r.err.toStdString();
        if (also) also(r, d);
    };
}
int greenAt(const QDir& d, const char* file, int x, int y) {
    return qGreen(QImage(d.filePath(file)).pixel(x, y));
}

class CliInput : public CliTest, public ::testing::WithParamInterface<InputCase> {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        for (const char* prefix : {"L_", "R_", "C_", "Z_"}) saveFrames(dir_.path(), prefix);
        ASSERT_TRUE(pattern(kW, kH, 2).save(path("S_0009.png")));  // a sequence of one late frame
        ASSERT_TRUE(pattern(kW + 1, kH, 3).save(path("Z_0002.png")));
        ASSERT_TRUE(pattern(16, 9, 5).save(path("small.png")));
        QImage grey(1024, 1, QImage::Format_Grayscale16);
        for (int x = 0; x < 1024; ++x) reinterpret_cast<quint16*>(grey.scanLine(0))[x] = quint16(x * 64);
        ASSERT_TRUE(grey.save(path("grey16.png")));
        writeFile("huge.png", pngClaimingHugeSize());
        writeFile("C_0002.png", firstHalfOf("C_0002.png"));
        writeFile("truncated.png", firstHalfOf("left.png"));
        ASSERT_TRUE(QDir(dir_.path()).mkpath("adir") && QDir(dir_.path()).mkpath("badmod"));
        writeFile("badmod/DuovisX.so", QByteArray(100, 'x'));
        const QByteArray left = QFile::encodeName(path("left.png"));
        ASSERT_EQ(::link(left, QFile::encodeName(path("alias.png"))), 0);
        ASSERT_EQ(::link(left, nonUtf8Name().constData()), 0);
    }
    // QDir cannot name the file whose name is not UTF-8, so it goes by its bytes.
    void TearDown() override { ::unlink(nonUtf8Name().constData()); }
    QByteArray nonUtf8Name() const { return QFile::encodeName(dir_.path()) + "/caf\xe9.png"; }
    QByteArray firstHalfOf(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.read(f.size() / 2) : QByteArray();
    }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    // Through the shell, so one argument can carry bytes that are not UTF-8: NONUTF8 stands for
    // that file's name.
    Result runWith(const QStringList& args, const char* env) const {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        if (env != nullptr) e.insert(QString(env).section('=', 0, 0), QString(env).section('=', 1));
        p.setProcessEnvironment(e);
        const QString script = QStringLiteral(
            "n=$(printf 'caf\\351.png'); for a; do shift; [ \"$a\" = NONUTF8 ] && a=$n; set -- \"$@\" "
            "\"$a\"; "
            "done; exec \"$0\" \"$@\"");
        p.start("/bin/sh", QStringList{"-c", script, QStringLiteral(DUOVIS_CLI_PATH)} + args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
};

TEST_P(CliInput, RefusesInOneLineOrRenders) {
    const InputCase& c = GetParam();
    const Result r = runWith(argsOf(c), c.env);
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    if (c.accepted) {
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    } else {
        EXPECT_NE(r.exitCode, 0);
        // No decoder's or loader's own chatter beside our line.
        EXPECT_EQ(lines.size(), 1) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("out.png")));
    }
    if (c.check) c.check(r, QDir(dir_.path()));
}

const InputCase kCases[] = {
    {"misspelled second pattern", "SEQ out_%04d.png --second rigth_%04d.png", nullptr, false,
     "rigth_%04d.png: no frames match", noneMatch("out_*")},
    {"frame offset runs past the second sequence",
     "SEQ out_%04d.png --second R_%04d.png -p SECONDARY_FRAME_OFFSET=1", nullptr, false, "R_0004.png",
     noneMatch("out_0003.png")},
    {"--missing black leaves that eye empty, with a warning",
     "SEQ out_%04d.png --second R_%04d.png -p SECONDARY_FRAME_OFFSET=1 --missing black", nullptr, true,
     "warning: R_0004.png",
     [](const Result&, const QDir& d) {
         EXPECT_EQ(qAlpha(QImage(d.filePath("out_0003.png")).pixel(kW + 1, 1)), 0);
         EXPECT_EQ(greenAt(d, "out_0002.png", kW + 1, 1), 90);
     }},
    {"corrupt second frame", "SEQ out_%04d.png --second C_%04d.png", nullptr, false, "C_0002.png"},
    {"output is the input under another name", "render left.png -o alias.png", nullptr, false,
     "alias.png: is the input left.png",
     [](const Result&, const QDir& d) {
         EXPECT_EQ(maxDifference(QImage(d.filePath("left.png")), pattern(32, 18, 1)), 0);
     }},
    {"output over the second sequence with a frame offset",
     "SEQ R_%04d.png --second R_%04d.png -p SECONDARY_FRAME_OFFSET=1", nullptr, false,
     "R_0001.png: is the input R_0001.png",
     [](const Result&, const QDir& d) { EXPECT_EQ(greenAt(d, "R_0002.png", 0, 0), 90); }},
    {"output would become a later input frame", "SEQ S_%04d.png --second S_%04d.png", nullptr, false,
     "S_0001.png: would become frame 1"},
    {"16-bit grey keeps its levels on the editing host",
     "render grey16.png --host premiere -p DISPLAY_TYPE=1 -o out16.png", nullptr, true, "",
     [](const Result&, const QDir& d) {
         const QImage out(d.filePath("out16.png"));
         EXPECT_EQ(out.depth(), 64);
         QSet<quint16> levels;
         for (int x = 0; x < out.width(); ++x) levels.insert(out.pixelColor(x, 0).rgba64().red());
         EXPECT_EQ(levels.size(), 1024);
     }},
    {"declared size beyond the limit", "render huge.png -o out.png", nullptr, false,
     "huge.png: declares 60000 x 60000"},
    {"limit from the environment", "render left.png -o out.png", "DUOVIS_MAX_MEGAPIXELS=0.0001", false,
     "left.png: declares 32 x 18"},
    {"the flag overrides the environment", "render left.png --max-megapixels 1 -o out.png",
     "DUOVIS_MAX_MEGAPIXELS=0.0001", true, ""},
    {"eyes of different sizes warn once", "render left.png --second small.png -o out.png", nullptr, true,
     "small.png is 16 x 9", once("warning", exists("out.png"))},
    {"sequence whose frame size changes", "render Z_%04d.png -o out_%04d.png", nullptr, false,
     "Z_0002.png: is 9 x 4", noneMatch("out_*")},
    {"directory as input", "render adir -o out.png", nullptr, false, "adir: is a directory"},
    {"name that is not UTF-8", "render NONUTF8 -o out.png", nullptr, true, "", exists("out.png")},
    {"truncated PNG", "render truncated.png -o out.png", nullptr, false, "truncated.png"},
    {"broken module named once", "render left.png --plugin-dir badmod -o out.png", nullptr, false,
     "badmod/DuovisX.so", once("DuovisX.so")},
};

INSTANTIATE_TEST_SUITE_P(Cli, CliInput, ::testing::ValuesIn(kCases));

}  // namespace
}  // namespace duovis::clitest
