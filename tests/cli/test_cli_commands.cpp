// `params`, `demo` and the help texts.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliFixture.h"

namespace duovis::clitest {
namespace {

using CliCommands = CliTest;

TEST_F(CliCommands, ParamsJsonListsEveryEntryWithItsChoices) {
    for (const char* host : {"ae", "premiere"}) {
        const Result r = run({"params", "--json", "--host", host});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
        ASSERT_GT(list.size(), 100) << host;
        int position = 0;
        for (const auto& v : list) EXPECT_EQ(v.toObject()["position"].toInt(), ++position);
        const QJsonObject display = list[4].toObject();
        EXPECT_EQ(display["name"].toString(), "Display Type");
        EXPECT_EQ(display["identifier"].toString(), "DISPLAY_TYPE");
        EXPECT_EQ(display["choices"].toArray().size(), 14);
    }
}

TEST_F(CliCommands, ParamsTextNamesTheRanges) {
    const Result r = run({"params"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("\"Frame Offset\"\tvalid -60..60")) << r.out.toStdString();
}

TEST_F(CliCommands, DemoWritesEveryVariantAndTheSheet) {
    const Result r = run({"demo", "-o", "demo"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QDir demo(path("demo"));
    const QStringList pngs = demo.entryList({"*.png"}, QDir::Files);
    EXPECT_EQ(pngs.size(), 2 + 16 + 1);
    EXPECT_TRUE(r.out.contains(demo.absoluteFilePath("contact-sheet.png")));
    // The two eyes must really differ, or every display type would show one picture.
    EXPECT_GT(maxDifference(QImage(demo.filePath("01-left.png")), QImage(demo.filePath("02-right.png"))), 50);
    EXPECT_FALSE(QImage(demo.filePath("contact-sheet.png")).isNull());
}

TEST_F(CliCommands, HelpIsOnStdoutAndSucceeds) {
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"render", "--help"},
                                    QStringList{"params", "--help"}, QStringList{"demo", "--help"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.startsWith("usage: duovis")) << args.join(' ').toStdString();
    }
    EXPECT_NE(run({}).exitCode, 0);
}

TEST_F(CliCommands, HelpCommandPrintsThatCommandsHelp) {
    for (const QStringList& command : {QStringList{"render"}, QStringList{"project"}, QStringList{"demo"}}) {
        const Result viaHelp = run(QStringList{"help"} + command);
        const Result viaFlag = run(command + QStringList{"--help"});
        EXPECT_EQ(viaHelp.exitCode, 0) << command.join(' ').toStdString();
        EXPECT_EQ(viaHelp.out, viaFlag.out) << command.join(' ').toStdString();
    }
    const Result unknown = run({"help", "rendr"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("'rendr'")) << unknown.err.toStdString();
}

TEST_F(CliCommands, VersionIsTheProjectVersion) {
    const Result r = run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("duovis " DUOVIS_VERSION_TEXT "\n"));
}

}  // namespace
}  // namespace duovis::clitest
