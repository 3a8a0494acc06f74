#pragma once
// Runs the built binary in a scratch directory and draws the small pictures it reads.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace duovis::clitest {

struct Result {
    int exitCode;
    QString out;
    QString err;
};

inline Result runCli(const QStringList& args, const QString& workDir) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(DUOVIS_CLI_PATH), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// A picture whose pixels all differ, so misplaced or dropped pixels show.
inline QImage pattern(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba((x * 9 + seed) & 0xFF, (y * 13 + seed * 3) & 0xFF, (x ^ y) & 0xFF, 255));
    return img;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(pattern(32, 18, 1).save(path("left.png")));
        ASSERT_TRUE(pattern(32, 18, 77).save(path("right.png")));
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    Result run(const QStringList& args) const { return runCli(args, dir_.path()); }
    QTemporaryDir dir_;
};

// Largest per-channel difference between two equally sized pictures, or -1.
inline int maxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

}  // namespace duovis::clitest
