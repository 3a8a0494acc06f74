// Copy and Paste against what a user's machine may hold at the clipboard's place: a planted
// link, a folder, a pipe, a folder that cannot be made, a write cut short. The effect never
// writes through a link, never reads anything but its own file, and leaves no half-written or
// temporary file behind.
#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <optional>

#include "ModuleFixture.h"
#include "core/params/ParamId.h"

namespace duovis::moduletest {
namespace {

// A clipboard that would change "Display Type" if it were read.
const QByteArray kVictim = "8\nprecious bytes\n";

enum class Place { Absent, OurFile, OldFile, Directory, Link, Pipe };

struct ClipboardCase {
    const char* name;
    Place planted;       // what stands at the clipboard's place before the press
    bool folderIsAFile;  // "Corvant" is a regular file, so the folder cannot be made
    bool sizeLimited;    // writes beyond a few bytes fail
    ParamId button;
    Place after;  // what must stand there afterwards
    friend void PrintTo(const ClipboardCase& c, std::ostream* os) { *os << c.name; }
};

// Lowers the file-size limit while it lives, with the signal that would end the process ignored.
struct SizeLimit {
    SizeLimit() : previous(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit tiny = saved;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~SizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    void (*previous)(int);
    rlimit saved{};
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

    void plant(const ClipboardCase& c) {
        ASSERT_NO_FATAL_FAILURE(writeFile(victim(), kVictim));
        if (c.folderIsAFile) return writeFile(data_.path() + "/Corvant", "not a folder");
        ASSERT_TRUE(QDir().mkpath(folder()));
        const QByteArray where = QFile::encodeName(place());
        if (c.planted == Place::OldFile) writeFile(place(), "old\n");
        const bool planted = c.planted == Place::Directory ? QDir().mkpath(place())
                             : c.planted == Place::Link ? ::symlink(QFile::encodeName(victim()), where) == 0
                             : c.planted == Place::Pipe ? ::mkfifo(where, 0600) == 0
                                                        : true;
        ASSERT_TRUE(planted);
    }

    Place standing() const {
        struct stat st {};
        if (::lstat(QFile::encodeName(place()).constData(), &st) != 0) return Place::Absent;
        if (S_ISLNK(st.st_mode)) return Place::Link;
        if (S_ISDIR(st.st_mode)) return Place::Directory;
        if (S_ISFIFO(st.st_mode)) return Place::Pipe;
        return readFile(place()) == "old\n" ? Place::OldFile : Place::OurFile;
    }

    QTemporaryDir data_;
    QTemporaryDir outside_;
};

TEST_P(ModuleClipboard, KeepsEveryoneElsesFilesAndLeavesNothingHalfDone) {
    const ClipboardCase& c = GetParam();
    SKIP_UNLESS_BUILT(kDuovisX);
    ASSERT_NO_FATAL_FAILURE(plant(c));
    Session s(kDuovisX, HostApp::AfterEffects);
    s.fx.setSourceSize(64, 36);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.params().setPopup(DISPLAY_TYPE, kTb100);
    std::optional<SizeLimit> limit;
    if (c.sizeLimited) limit.emplace();
    const PF_Err err = s.fx.userChangedParam(c.button);
    limit.reset();
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(standing(), c.after);
    if (c.after == Place::OurFile) {
        EXPECT_EQ(readFile(place()).count('\n'), 68) << "a whole set of values";
    }
    EXPECT_EQ(readFile(victim()), kVictim) << "a link's target is never written";
    if (c.button == PASTE_PARAMS) {
        EXPECT_TRUE(s.fx.calls().changedPositions.empty()) << "nothing but our own file is pasted";
        EXPECT_EQ(s.fx.params().popup(DISPLAY_TYPE), kTb100);
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
    {"CopyReplacesALinkInsteadOfFollowingIt", Place::Link, false, false, COPY_PARAMS, Place::OurFile},
    {"CopyLeavesAFolderAtThePlace", Place::Directory, false, false, COPY_PARAMS, Place::Directory},
    {"CopyWhereTheFolderCannotBeMade", Place::Absent, true, false, COPY_PARAMS, Place::Absent},
    {"CopyCutShortKeepsTheOldFile", Place::OldFile, false, true, COPY_PARAMS, Place::OldFile},
    {"CopyReplacesTheOldFile", Place::OldFile, false, false, COPY_PARAMS, Place::OurFile},
    {"PasteDoesNotFollowALink", Place::Link, false, false, PASTE_PARAMS, Place::Link},
    {"PasteDoesNotWaitOnAPipe", Place::Pipe, false, false, PASTE_PARAMS, Place::Pipe},
};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleClipboard, ::testing::ValuesIn(kClipboardCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
