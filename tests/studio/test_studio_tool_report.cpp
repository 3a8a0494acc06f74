// After a press of the parallax tool, the person is shown what it applied beside the tool's own
// measurement of the same pictures, its verdict and its report picture.
#include <QProcess>

#include "StudioFixture.h"
#include "core/params/ParamId.h"

namespace duovis::studiotest {

namespace {

struct ReportCase {
    const char* name;
    bool pair;             // both eyes, or one picture without a second layer
    QStringList measured;  // what the report's text holds
    bool picture;          // whether it has the report picture
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class StudioToolReport : public StudioTest, public ::testing::WithParamInterface<ReportCase> {};

}  // namespace

TEST_P(StudioToolReport, ShowsAppliedMeasuredVerdictAndPicture) {
    if (std::string(DEPTHSCOPE_PATH).empty()) GTEST_SKIP() << "depthscope is not built";
    const ReportCase& c = GetParam();
    ASSERT_EQ(QProcess::execute(QStringLiteral(DEPTHSCOPE_PATH), {"synth", path("l.png"), path("r.png"),
                                                                  "--size", "480x270", "--vertical", "4"}),
              0);
    open(refhost::HostApp::Premiere, "l.png", c.pair ? "r.png" : QString());
    int shown = 0;
    QString applied;
    studio::ToolReport report;
    studio::Prompts prompts = person_.prompts();
    prompts.showToolReport = [&](QWidget*, const QString& a, const studio::ToolReport& r) {
        ++shown;
        applied = a;
        report = r;
    };
    window_->setPrompts(prompts);
    qputenv("TMPDIR", QFile::encodeName(dir_.path()));
    qputenv("DUOVIS_DEPTHSCOPE", DEPTHSCOPE_PATH);
    trigger(QStringLiteral("Launch Depthscope"));
    qunsetenv("DUOVIS_DEPTHSCOPE");
    qunsetenv("TMPDIR");

    ASSERT_EQ(shown, 1);
    EXPECT_TRUE(applied.startsWith(QStringLiteral("Parallax tool"))) << applied.toStdString();
    const QString text = report.measured.isEmpty() ? report.missing : report.measured;
    for (const QString& words : c.measured) EXPECT_TRUE(text.contains(words)) << text.toStdString();
    EXPECT_EQ(!report.picture.isNull(), c.picture);
    if (c.pair) {
        // The press applied the tool's vertical correction, as one step named as the menu item.
        EXPECT_TRUE(applied.contains(QStringLiteral("Vertical Shift Right %"))) << applied.toStdString();
        ASSERT_EQ(session().undoStack().count(), 1);
        EXPECT_EQ(session().undoStack().text(0), QStringLiteral("Launch Depthscope"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layers, StudioToolReport,
    ::testing::Values(ReportCase{"pair", true, {"right eye vs left: vertical", "verdict:"}, true},
                      ReportCase{"one_picture", false, {"needs two separate eyes"}, false}),
    [](const ::testing::TestParamInfo<ReportCase>& p) { return std::string(p.param.name); });

}  // namespace duovis::studiotest
