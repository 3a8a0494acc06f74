// A farm render's pure parts, row by row: chunks and the frames left to render, the records
// that tell finished frames from cut-short ones, the farm's options, and the job scripts'
// shell words as bash reads them back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "FarmFiles.h"
#include "FarmPlan.h"
#include "FarmRequest.h"
#include "FarmScript.h"
#include "session/FrameRecords.h"

namespace duovis::cli {
namespace {

using session::FrameRange;

struct ChunkCase {
    const char* name;
    FrameRange range;
    int size;
    std::set<int> finished;
    std::vector<std::string> expected;  // "NUMBER:FRAMES:RUNS" of each chunk kept
};

const ChunkCase kChunkCases[] = {
    {"even", {0, 11, 1}, 3, {}, {"1:0-2:0-2", "2:3-5:3-5", "3:6-8:6-8", "4:9-11:9-11"}},
    {"lastShort", {1, 5, 1}, 2, {}, {"1:1-2:1-2", "2:3-4:3-4", "3:5:5"}},
    {"oneFrame", {7, 7, 1}, 4, {}, {"1:7:7"}},
    {"chunkPastTheRange", {0, 3, 1}, 2147483647, {}, {"1:0-3:0-3"}},
    {"stepped", {1, 13, 3}, 2, {}, {"1:1-4x3:1-4x3", "2:7-10x3:7-10x3", "3:13:13"}},
    {"finishedChunkLeftOut", {0, 7, 1}, 4, {0, 1, 2, 3}, {"2:4-7:4-7"}},
    {"gapsSplitRuns", {0, 7, 1}, 8, {2, 3, 6}, {"1:0-7:0-1, 4-5, 7"}},
    {"steppedGaps", {0, 12, 2}, 7, {4}, {"1:0-12x2:0-2x2, 6-12x2"}},
    {"allFinished", {0, 3, 1}, 1, {0, 1, 2, 3}, {}},
};

class FarmChunks : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(FarmChunks, KeepOnlyTheFramesLeftInRunsRenderTakes) {
    const ChunkCase& c = GetParam();
    const auto chunks = planChunks(c.range, c.size, [&c](int f) { return c.finished.count(f) > 0; });
    std::vector<std::string> got;
    for (const FarmChunk& chunk : chunks)
        got.push_back(std::to_string(chunk.number) + ":" + framesText(chunk.frames) + ":" +
                      runsText(chunk.runs));
    EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Farm, FarmChunks, ::testing::ValuesIn(kChunkCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FarmChunksRefused, BelowOneFrame) {
    for (const int size : {0, -1})
        EXPECT_THROW(planChunks({0, 3, 1}, size, [](int) { return false; }), std::runtime_error) << size;
}

struct RecordCase {
    const char* name;
    const char* fileBytes;  // null: no file
    const char* record;     // null: no record
    bool finished;
};

const RecordCase kRecordCases[] = {
    {"recordedWhole", "0123456789", "10\n", true},
    {"cutShort", "01234", "10\n", false},
    {"grownSince", "0123456789AB", "10\n", false},
    {"noRecord", "0123456789", nullptr, false},
    {"fileGone", nullptr, "10\n", false},
    {"recordNotANumber", "0123456789", "ten\n", false},
    {"recordEmpty", "", "", false},
    {"emptyFileRecorded", "", "0\n", true},
};

class FarmRecords : public ::testing::TestWithParam<RecordCase> {};

TEST_P(FarmRecords, FinishedOnlyAtTheRecordedSize) {
    const RecordCase& c = GetParam();
    QTemporaryDir dir;
    const QString records = dir.filePath("records"), file = dir.filePath("out_0001.png");
    if (c.fileBytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.fileBytes);
    }
    if (c.record) {
        ASSERT_TRUE(QDir().mkpath(records));
        QFile r(session::recordFor(records, file));
        ASSERT_TRUE(r.open(QIODevice::WriteOnly));
        r.write(c.record);
    }
    EXPECT_EQ(session::isFinished(records, file), c.finished);
}

INSTANTIATE_TEST_SUITE_P(Farm, FarmRecords, ::testing::ValuesIn(kRecordCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FarmRecordsWritten, ARecordMadeAfterTheSaveFinishesTheFile) {
    QTemporaryDir dir;
    const QString records = dir.filePath("deep/records"), file = dir.filePath("f.exr");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    session::recordFinished(records, file, 3);
    EXPECT_TRUE(session::isFinished(records, file));
    ASSERT_TRUE(f.resize(2));
    EXPECT_FALSE(session::isFinished(records, file));
}

struct OwnerCase {
    const char* name;
    const char* renderName;  // the .render file's text, or null for none
    bool doneFiles;          // a frame's record is there
    bool ofA;                // whether the records are render A's
};

const OwnerCase kOwnerCases[] = {
    {"noFolderYet", nullptr, false, true},
    {"emptyFolder", nullptr, false, true},
    {"sameRender", "A", true, true},
    {"otherRender", "B", true, false},
    {"recordsOfNoRender", nullptr, true, false},
    {"prefixOfTheName", "A ", true, false},
};

class FarmRecordOwner : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(FarmRecordOwner, RecordsCountOnlyForTheRenderThatMadeThem) {
    const OwnerCase& c = GetParam();
    QTemporaryDir dir;
    const QString records = dir.filePath("r"), frame = dir.filePath("f_0001.png");
    if (std::string(c.name) != "noFolderYet") {
        ASSERT_TRUE(QDir().mkpath(records));
    }
    if (c.renderName) {
        QFile f(records + "/.render");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.renderName);
    }
    if (c.doneFiles) {
        QFile f(frame);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("xy");
        f.close();
        session::recordFinished(records, frame, 2);
    }
    EXPECT_EQ(session::recordsAreOf(records, "A"), c.ofA);
    // Taken over by A: another render's records are gone, A's own stay.
    session::keepRecordsFor(records, "A");
    EXPECT_TRUE(session::recordsAreOf(records, "A"));
    EXPECT_FALSE(session::recordsAreOf(records, "B"));
    EXPECT_EQ(session::isFinished(records, frame), c.doneFiles && c.ofA);
}

INSTANTIATE_TEST_SUITE_P(Farm, FarmRecordOwner, ::testing::ValuesIn(kOwnerCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct RequestCase {
    const char* name;
    std::vector<std::string> words;
    const char* error;     // a part of the message, or null where it parses
    const char* rendered;  // the render's words, joined by '|'
};

const RequestCase kRequestCases[] = {
    {"split",
     {"in_%04d.png", "-p", "A=1", "--chunk", "4", "-o", "o_%d.png", "--wait"},
     nullptr,
     "in_%04d.png|-p|A=1"},
    {"equalsForms",
     {"in.mp4", "--chunk=2", "--output=o.mkv", "--frames=3-9", "--threads", "2"},
     nullptr,
     "in.mp4|--threads|2"},
    {"noChunk", {"in.png", "-o", "o_%d.png"}, "needs --chunk N", nullptr},
    {"chunkZero", {"in.png", "-o", "o_%d.png", "--chunk", "0"}, "--chunk: '0' is below 1 frame", nullptr},
    {"chunkWords", {"in.png", "-o", "o_%d.png", "--chunk", "lots"}, "--chunk", nullptr},
    {"noOutput", {"in.png", "--chunk", "2"}, "needs -o OUTPUT", nullptr},
    {"chunkWithoutValue", {"in.png", "-o", "o_%d.png", "--chunk"}, "--chunk needs a value", nullptr},
    {"otherScheduler",
     {"in.png", "-o", "o_%d.png", "--chunk", "2", "--scheduler", "pbs"},
     "'pbs' is not one of slurm",
     nullptr},
    {"framesTwice",
     {"in.png", "-o", "o_%d.png", "--chunk", "2", "--frame", "1", "--frames", "1-2"},
     "once",
     nullptr},
    {"partitionLine",
     {"in.png", "-o", "o_%d.png", "--chunk", "2", "--partition", "a\n#SBATCH x"},
     "one word",
     nullptr},
    {"ownRecords", {"in.png", "-o", "o_%d.png", "--chunk", "2", "--records", "r"}, "sets it itself", nullptr},
    {"ownFromFrames",
     {"in.mp4", "-o", "o.mp4", "--chunk", "2", "--from-frames=f_%d.png"},
     "sets it itself",
     nullptr},
    {"accountSpace", {"in.png", "-o", "o_%d.png", "--chunk", "2", "--account=a b"}, "one word", nullptr},
};

class FarmOptions : public ::testing::TestWithParam<RequestCase> {};

TEST_P(FarmOptions, SplitFromTheRenderOrRefused) {
    const RequestCase& c = GetParam();
    try {
        const FarmRequest r = parseFarmRequest(c.words);
        ASSERT_EQ(c.error, nullptr) << "parsed";
        std::string joined;
        for (const std::string& w : r.renderWords) joined += (joined.empty() ? "" : "|") + w;
        EXPECT_EQ(joined, c.rendered);
    } catch (const std::runtime_error& e) {
        ASSERT_NE(c.error, nullptr) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << "one line";
    }
}

INSTANTIATE_TEST_SUITE_P(Farm, FarmOptions, ::testing::ValuesIn(kRequestCases),
                         [](const auto& row) { return std::string(row.param.name); });

// What bash makes of a word, printed back by printf.
std::string throughBash(const std::string& word) {
    const std::string command = "bash -c 'printf %s \"$1\"' _ " + shellQuoted(word);
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[256];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

TEST(FarmScriptWords, BashReadsEachWordBackAsGiven) {
    const char* words[] = {"plain", "two words",   "it's", "$HOME", "`id`",
                           "a\"b",  "%04d",        "",     "-p",    "DISPLAY_TYPE=Side-By-Side(50%)",
                           "x;y",   "line\nbreak", "\\"};
    for (const char* w : words) EXPECT_EQ(throughBash(w), w) << w;
}

TEST(FarmScriptText, EachTaskRendersItsRunsIntoTheTarget) {
    ScriptSpec spec{"/opt/duovis", "/work/shot 1", farmFilesFor("/out/o_%04d.png"), {"in_%04d.png"}, "gpu",
                    std::nullopt,  "1:00:00"};
    const std::vector<FarmChunk> chunks{{1, {0, 3, 1}, {{0, 1, 1}, {3, 3, 1}}}, {3, {8, 9, 1}, {{8, 9, 1}}}};
    const std::string text = arrayScript(spec, chunks, "/out/o_%04d.png");
    for (const char* line :
         {"#SBATCH --array=0-1\n", "#SBATCH --partition=gpu\n", "#SBATCH --time=1:00:00\n",
          "#SBATCH --output=/out/.duovis-farm/o__04d.png.%A.%a.log\n", "cd '/work/shot 1' || exit 1\n",
          "render 0-1 && render 3 && true", "render 8-9 && true",
          "--records /out/.duovis-farm/o__04d.png.done -o "
          "'/out/o_%04d.png'"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    EXPECT_EQ(text.find("--account"), std::string::npos);
}

}  // namespace
}  // namespace duovis::cli
