#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace duovis {
namespace {

namespace fs = std::filesystem;

struct GenCase {
    const char* name;
    std::string description;
    const char* error;  // expected "line: message" fragment; empty: must succeed
};

const std::string kHead = "version 0\nkind fourcc \"eFKT\"\n";

const GenCase kCases[] = {
    {"Valid", kHead + "name pstring \"X\"  # trailing comment\n\n8664 cstring \"Main\"\n", ""},
    {"Longest", kHead + "name pstring \"" + std::string(255, 'a') + "\"\n", ""},
    {"TooLong", kHead + "name pstring \"" + std::string(256, 'a') + "\"\n",
     ":3: length-prefixed string is longer"},
    {"UnknownKey", kHead + "zzzz u32 1\n", ":3: unknown key 'zzzz'"},
    {"UnknownType", kHead + "name text \"X\"\n", ":3: unknown type 'text'"},
    {"WrongType", kHead + "eGLO pstring \"X\"\n", ":3: key 'eGLO' takes u32"},
    {"Unterminated", kHead + "name pstring \"X\n", ":3: unterminated string"},
    {"MissingValue", kHead + "ePVR u32\n", ":3: expected: <key> <type> <value>"},
    {"ExtraToken", kHead + "ePVR u32 2 3\n", ":3: expected: <key> <type> <value>"},
    {"NotANumber", kHead + "ePVR u32 12abc\n", ":3: '12abc' is not a number"},
    {"Negative", kHead + "ePVR u32 -1\n", ":3: '-1' is not a number"},
    {"U16Range", kHead + "eINF u16 65536\n", ":3: '65536' is out of range"},
    {"U32Range", kHead + "eGLO u32 0x100000000\n", ":3: '0x100000000' is out of range"},
    {"UnquotedString", kHead + "name pstring X\n", ":3: expected a quoted string"},
    {"ShortFourCC", "version 0\nkind fourcc \"eFK\"\n", ":2: a four-char code needs exactly four"},
    {"Duplicate", kHead + "kind fourcc \"eFKT\"\n", ":3: duplicate key 'kind'"},
    {"NoVersion", "kind fourcc \"eFKT\"\n", ":1: expected a 'version' line"},
    {"LateVersion", kHead + "version 0\n", ":3: 'version' must come once"},
    {"Empty", "# nothing\nversion 0\n", ": no properties"},
};

class PiplgenTest : public ::testing::TestWithParam<GenCase> {};

TEST_P(PiplgenTest, RejectsFaultsWithLocationAndLeavesNoOutput) {
    const fs::path dir = fs::path(PIPL_TEST_SCRATCH) / GetParam().name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path desc = dir / "desc.txt", out = dir / "out.cpp", err = dir / "stderr.txt";
    std::ofstream(desc) << GetParam().description;

    const std::string cmd = std::string("\"") + PIPLGEN_PATH + "\" \"" + desc.string() + "\" \"" +
                            out.string() + "\" 2>\"" + err.string() + "\"";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    std::stringstream message;
    message << std::ifstream(err).rdbuf();

    if (*GetParam().error == '\0') {
        EXPECT_EQ(WEXITSTATUS(status), 0) << message.str();
        std::stringstream source;
        source << std::ifstream(out).rdbuf();
        EXPECT_NE(source.str().find("section(\".pipl\")"), std::string::npos);
    } else {
        EXPECT_NE(WEXITSTATUS(status), 0);
        EXPECT_NE(message.str().find(desc.string() + GetParam().error), std::string::npos) << message.str();
        EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_FALSE(fs::exists(out.string() + ".tmp"));
}

INSTANTIATE_TEST_SUITE_P(Descriptions, PiplgenTest, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace duovis
