// Copy and Paste against what a user's machine may hold at the clipboard's place: a planted
// link, a folder, a pipe, a folder that cannot be made, a write cut short. The effect never
// writes through a link, never reads anything but its own file, and leaves no half-written or
// temporary file behind.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

constexpr int kCopy = 145;
constexpr int kPaste = 146;
const char* const kVictim = "precious bytes\n";

enum class Place { Absent, OurFile, OldFile, Directory, Link, Pipe };

struct ClipboardCase {
    const char* name;
    Place planted;       // what stands at the clipboard's place before the press
    bool folderIsAFile;  // "Corvant" is a regular file, so the folder cannot be made
    bool sizeLimited;    // writes beyond a few bytes fail
    int button;
    Place after;  // what must stand there afterwards
};

class ModuleClipboard : public ::testing::TestWithParam<ClipboardCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(data_.isValid() && outside_.isValid());
        qputenv("ProgramData", data_.path().toUtf8());
    }
    void TearDown() override { qunsetenv("ProgramData"); }

    QString folder() const { return data_.path() + "/Corvant/Duovis"; }
    QString place() const { return folder() + "/TempData"; }
    QString victim() const { return outside_.path() + "/victim"; }

    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void plant(const ClipboardCase& c) {
        // The victim holds a clipboard that would change "Display Type" if it were read.
        write(victim(), QByteArray("8\n") + kVictim);
        if (c.folderIsAFile) {
            write(data_.path() + "/Corvant", "not a folder");
            return;
        }
        ASSERT_TRUE(QDir().mkpath(folder()));
        const QByteArray where = QFile::encodeName(place());
        switch (c.planted) {
            case Place::OldFile:
                write(place(), "old\n");
                break;
            case Place::Directory:
                ASSERT_TRUE(QDir().mkpath(place()));
                break;
            case Place::Link:
                ASSERT_EQ(::symlink(QFile::encodeName(victim()).constData(), where.constData()), 0);
                break;
            case Place::Pipe:
                ASSERT_EQ(::mkfifo(where.constData(), 0600), 0);
                break;
            default:
                break;
        }
    }

    Place standing() const {
        struct stat st {};
        if (::lstat(QFile::encodeName(place()).constData(), &st) != 0) return Place::Absent;
        if (S_ISLNK(st.st_mode)) return Place::Link;
        if (S_ISDIR(st.st_mode)) return Place::Directory;
        if (S_ISFIFO(st.st_mode)) return Place::Pipe;
        return read(place()) == "old\n" ? Place::OldFile : Place::OurFile;
    }

    QTemporaryDir data_;
    QTemporaryDir outside_;
};

// Lowers the file-size limit for the scope, with the signal that would end the process ignored.
struct SizeLimit {
    explicit SizeLimit(bool on) : on_(on) {
        if (!on_) return;
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = saved_;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~SizeLimit() {
        if (!on_) return;
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool on_;
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

TEST_P(ModuleClipboard, KeepsEveryoneElsesFilesAndLeavesNothingHalfDone) {
    const ClipboardCase& c = GetParam();
    SKIP_UNLESS_BUILT(kDuovisX);
    plant(c);
    Session s(kDuovisX, HostApp::AfterEffects);
    s.fx.setSourceSize(64, 36);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.params().setPopup(kDisplayType, kTb100);
    PF_Err err = PF_Err_NONE;
    {
        const SizeLimit limit(c.sizeLimited);
        err = s.fx.userChangedParam(c.button);
    }
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(standing(), c.after);
    if (c.after == Place::OurFile) {
        EXPECT_EQ(read(place()).count('\n'), 68) << "a whole set of values";
    }
    EXPECT_EQ(read(victim()), QByteArray("8\n") + kVictim) << "a link's target is never written";
    if (c.button == kPaste) {
        EXPECT_TRUE(s.fx.calls().changedPositions.empty()) << "nothing but our own file is pasted";
        EXPECT_EQ(s.fx.params().popup(kDisplayType), kTb100);
    }
    // Only the clipboard's place itself may hold anything: no temporary file stays.
    const QStringList entries =
        QDir(c.folderIsAFile ? data_.path() : folder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const QStringList expected = c.folderIsAFile            ? QStringList{"Corvant"}
                                 : c.after == Place::Absent ? QStringList{}
                                                            : QStringList{"TempData"};
    EXPECT_EQ(entries, expected) << entries.join(' ').toStdString();
}

const ClipboardCase kClipboardCases[] = {
    {"CopyReplacesALinkInsteadOfFollowingIt", Place::Link, false, false, kCopy, Place::OurFile},
    {"CopyLeavesAFolderAtThePlace", Place::Directory, false, false, kCopy, Place::Directory},
    {"CopyWhereTheFolderCannotBeMade", Place::Absent, true, false, kCopy, Place::Absent},
    {"CopyCutShortKeepsTheOldFile", Place::OldFile, false, true, kCopy, Place::OldFile},
    {"CopyReplacesTheOldFile", Place::OldFile, false, false, kCopy, Place::OurFile},
    {"PasteDoesNotFollowALink", Place::Link, false, false, kPaste, Place::Link},
    {"PasteDoesNotWaitOnAPipe", Place::Pipe, false, false, kPaste, Place::Pipe},
};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleClipboard, ::testing::ValuesIn(kClipboardCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
