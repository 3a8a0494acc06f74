// Bad input ends with one line naming the culprit, a failing status and no output file.
#include "CliFixture.h"

namespace duovis::clitest {
namespace {

struct Refusal {
    const char* what;
    QStringList args;  // "OUT" stands for the output path
    const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.what;
}

class CliRefusal : public CliTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CliRefusal, FailsWithOneLineAndWritesNothing) {
    QFile(path("empty.png")).open(QIODevice::WriteOnly);
    QFile truncated(path("truncated.png"));
    QFile whole(path("left.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && truncated.open(QIODevice::WriteOnly));
    truncated.write(whole.read(whole.size() / 2));
    truncated.close();

    QStringList args = GetParam().args;
    args.replaceInStrings("OUT", path("out.png"));
    const Result r = run(args);
    EXPECT_NE(r.exitCode, 0);
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith("duovis: ")) << r.err.toStdString();
    EXPECT_TRUE(lines.last().contains(GetParam().message)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.png")));
}

const Refusal kRefusals[] = {
    {"missing input", {"render", "nothere.png", "-o", "OUT"}, "nothere.png"},
    {"truncated input", {"render", "truncated.png", "-o", "OUT"}, "truncated.png"},
    {"zero-byte input", {"render", "empty.png", "-o", "OUT"}, "empty.png"},
    {"unreadable secondary", {"render", "left.png", "--second", "nothere.png", "-o", "OUT"}, "nothere.png"},
    {"no output", {"render", "left.png"}, "-o"},
    {"output directory missing", {"render", "left.png", "-o", "no/such/dir/x.png"}, "no/such/dir"},
    {"unknown output format", {"render", "left.png", "-o", "out.xyz"}, "xyz"},
    {"unknown parameter", {"render", "left.png", "-p", "Nonsense=1", "-o", "OUT"}, "Nonsense"},
    {"position beyond the list", {"render", "left.png", "-p", "9999=1", "-o", "OUT"}, "9999"},
    {"popup out of range",
     {"render", "left.png", "-p", "Display Type=15", "-o", "OUT"},
     "14=Corvant Parallax"},
    {"popup text unknown", {"render", "left.png", "-p", "Display Type=Sideways", "-o", "OUT"}, "1=Left"},
    {"slider out of range", {"render", "left.png", "-p", "Frame Offset=61", "-o", "OUT"}, "-60..60"},
    {"slider not a number", {"render", "left.png", "-p", "Frame Offset=abc", "-o", "OUT"}, "abc"},
    {"checkbox word", {"render", "left.png", "-p", "Auto Crop=maybe", "-o", "OUT"}, "on/off"},
    {"button", {"render", "left.png", "-p", "2=1", "-o", "OUT"}, "button"},
    {"group marker", {"render", "left.png", "-p", "1=1", "-o", "OUT"}, "group-start"},
    {"shared name", {"render", "left.png", "-p", "Demux Mode=2", "-o", "OUT"}, "16, 21"},
    {"identifier, popup out of range",
     {"render", "left.png", "-p", "DISPLAY_TYPE=15", "-o", "OUT"},
     "14=Corvant Parallax"},
    {"identifier, slider out of range",
     {"render", "left.png", "-p", "hshift_pct_b=101", "-o", "OUT"},
     "-100..100"},
    {"identifier of a button", {"render", "left.png", "-p", "about_button=1", "-o", "OUT"}, "button"},
    {"identifier of a group marker",
     {"render", "left.png", "-p", "about_group=1", "-o", "OUT"},
     "group-start"},
    // Refused even for root: nothing can be created in /proc.
    {"read-only output", {"render", "left.png", "-o", "/proc/duovis-out.png"}, "cannot write"},
    {"no equals sign", {"render", "left.png", "-p", "Display Type", "-o", "OUT"}, "ID=VALUE"},
    {"unknown host", {"render", "left.png", "--host", "nuke", "-o", "OUT"}, "nuke"},
    {"unknown plug-in", {"render", "left.png", "--plugin", "Other", "-o", "OUT"}, "Other"},
    {"plug-in directory empty",
     {"render", "left.png", "--plugin-dir", ".", "-o", "OUT"},
     "plug-in not found"},
    {"zero frame rate", {"render", "left.png", "--fps", "0", "-o", "OUT"}, "--fps"},
    {"negative frame", {"render", "left.png", "--frame", "-1", "-o", "OUT"}, "--frame"},
    {"unknown option", {"render", "left.png", "--bogus", "-o", "OUT"}, "--bogus"},
    {"unknown command", {"paint", "left.png"}, "paint"},
    {"no threads", {"render", "left.png", "--threads", "0", "-o", "OUT"}, "--threads"},
    {"threads not a number", {"render", "left.png", "--threads", "many", "-o", "OUT"}, "many"},
    {"too many threads", {"--threads", "100000", "render", "left.png", "-o", "OUT"}, "100000"},
    {"threads for a command that does not render", {"--threads", "2", "params"}, "render, demo"},
};

INSTANTIATE_TEST_SUITE_P(Cli, CliRefusal, ::testing::ValuesIn(kRefusals));

}  // namespace
}  // namespace duovis::clitest
