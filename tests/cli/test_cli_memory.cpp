// The peak memory of one render, measured on the child process by the kernel, against the
// frame buffers the render cannot do without: its input layers and its output.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <vector>

#include "CliFixture.h"

extern char** environ;

namespace duovis::clitest {
namespace {

// Peak resident MiB of one `duovis` run, or -1 when it could not start or failed.
double peakMiB(const QStringList& args) {
    std::vector<QByteArray> words{QByteArrayLiteral(DUOVIS_CLI_PATH)};
    for (const QString& a : args) words.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

struct MemoryCase {
    const char* name;
    const char* host;
    bool pair;               // a left and a --second file, else one side-by-side file
    int bytesPerPixel;       // of the host's worlds
    bool outputIsInputSize;  // the editing host renders into a frame of the input's size
};

class RenderMemory : public CliTest, public ::testing::WithParamInterface<MemoryCase> {};

constexpr int kEyeW = 1920, kEyeH = 1080;

// Twice the buffers leaves room for the allocator; a kept copy of any frame goes over it.
TEST_P(RenderMemory, StaysWithinTwiceTheFrameBuffers) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and freed-block quarantine dwarf the frame buffers";
#endif
    const MemoryCase& c = GetParam();
    const QStringList look{"--quiet", "--host", c.host, "-p", "DISPLAY_TYPE=Anaglyph (Red/Cyan)"};
    QStringList inputs, tiny;
    if (c.pair) {
        ASSERT_TRUE(pattern(kEyeW, kEyeH, 1).save(path("l.png")));
        ASSERT_TRUE(pattern(kEyeW, kEyeH, 9).save(path("r.png")));
        inputs = QStringList{path("l.png"), "--second", path("r.png")};
        tiny = QStringList{path("left.png"), "--second", path("right.png")};
    } else {
        ASSERT_TRUE(pattern(2 * kEyeW, kEyeH, 1).save(path("sbs.png")));
        ASSERT_TRUE(pattern(64, 40, 1).save(path("tiny.png")));
        inputs = QStringList{path("sbs.png"), "-p", "PRIMARY_DEMUX_MODE=Side-By-Side(100%)"};
        tiny = QStringList{path("tiny.png"), "-p", "PRIMARY_DEMUX_MODE=Side-By-Side(100%)"};
    }
    // The same process with a tiny frame: code, libraries and the host's threads.
    const double base = peakMiB(QStringList{"render"} + tiny + look + QStringList{"-o", path("t.png")});
    const double peak = peakMiB(QStringList{"render"} + inputs + look + QStringList{"-o", path("o.png")});
    ASSERT_GT(base, 0.0);
    ASSERT_GT(peak, 0.0);
    const double eye = static_cast<double>(kEyeW) * kEyeH * c.bytesPerPixel / (1 << 20);
    const double buffers = 2 * eye + (c.outputIsInputSize ? 2 * eye : eye);
    EXPECT_LE(peak - base, 2 * buffers) << "baseline " << base << " MiB, buffers " << buffers << " MiB";
}

INSTANTIATE_TEST_SUITE_P(Cli, RenderMemory,
                         ::testing::Values(MemoryCase{"AeSideBySide", "ae", false, 4, false},
                                           MemoryCase{"AePair", "ae", true, 4, false},
                                           MemoryCase{"PremiereSideBySide", "premiere", false, 16, true}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace duovis::clitest
