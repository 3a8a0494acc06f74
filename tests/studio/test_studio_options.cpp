// duovis-studio's command line read into its options, word lists row by row.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "StudioOptions.h"
#include "session/HostSetup.h"

namespace duovis::studiotest {
namespace {

using studio::parseStudioOptions;
using studio::StudioOptions;

TEST(StudioOptions, EveryOptionInEveryFormReachesItsField) {
    const StudioOptions o = parseStudioOptions(
        {"shot.png", "--second", "right.png", "-p", "DISPLAY_TYPE=Left", "-pSWAP_LR=on",
         "--param=HSHIFT_PCT_B=2", "--press", "GLOBAL_DISPLAY_SWITCH", "--instances=2", "--screenshot",
         "win.png", "--host", "ae", "--plugin", "Duovis", "--plugin-dir=/tmp/mods", "--threads", "3"});
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.file, "shot.png");
    EXPECT_EQ(o.second, "right.png");
    EXPECT_EQ(o.assignments, (std::vector<std::string>{"DISPLAY_TYPE=Left", "SWAP_LR=on", "HSHIFT_PCT_B=2"}));
    EXPECT_EQ(o.presses, std::vector<std::string>{"GLOBAL_DISPLAY_SWITCH"});
    EXPECT_EQ(o.instances, 2);
    EXPECT_EQ(o.screenshot, "win.png");
    EXPECT_EQ(o.session.host, refhost::HostApp::AfterEffects);
    EXPECT_EQ(o.session.plugin, "Duovis");
    EXPECT_EQ(o.session.pluginDir, std::string("/tmp/mods"));
    EXPECT_EQ(o.session.threads, 3);
}

TEST(StudioOptions, DefaultsAndTheWordsThatAreNotOptions) {
    qunsetenv("DUOVIS_THREADS");
    struct Row {
        QStringList words;
        QString file;
        bool help;
    };
    const Row rows[] = {
        {{}, "", false},     {{"--help"}, "", true},
        {{"-h"}, "", true},  {{"--", "-dash.png"}, "-dash.png", false},
        {{"-"}, "-", false},
    };
    for (const Row& row : rows) {
        const StudioOptions o = parseStudioOptions(row.words);
        const std::string words = row.words.join(' ').toStdString();
        EXPECT_EQ(o.file, row.file) << words;
        EXPECT_EQ(o.help, row.help) << words;
        EXPECT_EQ(o.instances, 1) << words;
        EXPECT_EQ(o.session.host, refhost::HostApp::Premiere) << words;
        EXPECT_EQ(o.session.plugin, "DuovisX") << words;
        EXPECT_FALSE(o.session.pluginDir) << words;
        EXPECT_EQ(o.session.threads, 0) << words;
    }
}

TEST(StudioOptions, RefusalsNameTheCulprit) {
    struct Row {
        QStringList words;
        std::string says;
    };
    const Row rows[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"a.png", "-x"}, "unknown option -x"},
        {{"a.png", "--host"}, "option --host needs a value"},
        {{"a.png", "-p"}, "option --param needs a value"},
        {{"a.png", "--help=yes"}, "option --help takes no value"},
        {{"a.png", "--host", "nuke"}, "--host: 'nuke' is not one of ae, premiere"},
        {{"a.png", "b.png"}, "'b.png' is one too many"},
        {{"--second", "b.png"}, "--second needs a FILE"},
        {{"a.png", "--instances", "3"}, "--instances must be 1 or 2"},
        {{"a.png", "--instances", "two"}, "--instances: 'two' is not a whole number"},
        {{"-p", "DISPLAY_TYPE=Left"}, "need a FILE to open"},
        {{"--instances", "2"}, "need a FILE to open"},
        {{"--filter", "vshift"}, "need a FILE to open"},
        {{"a.png", "--screenshot="}, "--screenshot needs a file name"},
        {{"a.png", "--threads", "0"}, "--threads: '0' is not a thread count"},
    };
    for (const Row& row : rows) {
        const std::string words = row.words.join(' ').toStdString();
        try {
            parseStudioOptions(row.words);
            ADD_FAILURE() << words << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(row.says), std::string::npos) << words << ": " << e.what();
        }
    }
}

// The host names and thread counts both front ends read through the session.
TEST(StudioOptions, HostNamesAndThreadCountsAsTheSessionReadsThem) {
    for (const char* name : {"ae", "premiere"}) {
        const auto app = session::hostAppNamed(name);
        ASSERT_TRUE(app) << name;
        EXPECT_STREQ(session::hostName(*app), name);
    }
    for (const char* name : {"AE", "", "premiere "}) EXPECT_FALSE(session::hostAppNamed(name)) << name;

    struct Row {
        std::optional<std::string> given;
        const char* env;  // DUOVIS_THREADS, null: unset
        int threads;      // -1: refused
        std::string says;
    };
    const Row rows[] = {
        {std::nullopt, nullptr, 0, ""},
        {std::string("1"), nullptr, 1, ""},
        {std::string("1024"), "7", 1024, ""},
        {std::nullopt, "7", 7, ""},
        {std::string("1025"), nullptr, -1, "--threads: '1025'"},
        {std::string("0"), nullptr, -1, "--threads: '0'"},
        {std::string("two"), nullptr, -1, "--threads: 'two'"},
        {std::nullopt, "0", -1, "DUOVIS_THREADS: '0'"},
        {std::nullopt, "", -1, "DUOVIS_THREADS"},
    };
    for (const Row& row : rows) {
        if (row.env)
            qputenv("DUOVIS_THREADS", row.env);
        else
            qunsetenv("DUOVIS_THREADS");
        const std::string what = row.given.value_or("(none)") + " with " + (row.env ? row.env : "(unset)");
        try {
            EXPECT_EQ(session::workerThreads(row.given, "--threads"), row.threads) << what;
            EXPECT_GE(row.threads, 0) << what << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(row.threads, -1) << what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(row.says), std::string::npos) << what << ": " << e.what();
        }
    }
    qunsetenv("DUOVIS_THREADS");
}

}  // namespace
}  // namespace duovis::studiotest
