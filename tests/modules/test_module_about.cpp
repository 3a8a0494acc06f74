// The About box through the host's About command: what it shows per module, every way out
// of it, requests while it is open, and the Qt application object it runs in, whether the
// process has one already or not.
#include "ModuleFixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace duovis::moduletest {
namespace {

// ---- Reaching the box from inside its own modal loop ----

using ModalAction = std::function<void(QWidget*)>;

int gApplicationsMade = 0;
const ModalAction* gOnModal = nullptr;  // what to do with the box of an application the effect makes

// Polls for the modal box in the event loop it runs; once found, `action` runs on it. A box
// the action leaves open is closed a little later, so a failing test ends instead of hanging.
QTimer* watchForModal(QObject* parent, ModalAction action) {
    auto* timer = new QTimer(parent);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) return;
        timer->stop();
        action(box);
        if (box->isVisible()) QTimer::singleShot(1000, box, [box] { box->close(); });
    });
    timer->start(10);
    return timer;
}

// Runs whenever any Qt application object is constructed, the effect's own included.
void onApplicationConstructed() {
    ++gApplicationsMade;
    if (gOnModal != nullptr) watchForModal(QCoreApplication::instance(), *gOnModal);
}

void installConstructionHook() {
    static const bool installed = [] {
        qAddPreRoutine(onApplicationConstructed);
        return true;
    }();
    (void)installed;
}

int aboutBoxesOpen() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (std::string(w->metaObject()->className()) == "CDialogAbout") ++n;
    return n;
}

template <class W>
W* child(QWidget* box, const char* name) {
    return box->findChild<W*>(QString::fromLatin1(name));
}

void clickOk(QWidget* box) {
    child<QDialogButtonBox>(box, "buttonBox")->button(QDialogButtonBox::Ok)->click();
}

int gArgc = 1;
char gName[] = "module_tests";
char* gArgv[] = {gName, nullptr};

// ---- What the box shows ----

struct AboutCase {
    Deliverable module;
    const char* title;
    const char* name;  // the name label reads "<name>, version <the module's own version>"
    int paragraphs;
    std::vector<int> emptyParagraphs;
};

void PrintTo(const AboutCase& c, std::ostream* os) {
    *os << c.module.name;
}

const AboutCase kAboutCases[] = {
    {kDuovisX, "About DuovisX", "DuovisX", 8, {2}},
    {kDuovis, "About Duovis", "Duovis", 5, {1, 2}},
};

// A widget application exists before the command, as in a Qt-based host.
class WithApplication {
  protected:
    void makeApplication() {
        installConstructionHook();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ASSERT_EQ(QCoreApplication::instance(), nullptr);
        app_ = std::make_unique<QApplication>(gArgc, gArgv);
    }
    std::unique_ptr<QApplication> app_;
};

class ModuleAboutBox : public WithApplication, public ::testing::TestWithParam<AboutCase> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleAboutBox, ShowsNameLogoAndNotice) {
    const AboutCase& c = GetParam();
    SKIP_UNLESS_BUILT(c.module);
    Session s(c.module, HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    // The version shown is the one global set-up reports (and the descriptor states).
    const A_u_long v = s.fx.outData().my_version;
    const std::string version = std::to_string(v >> 19) + "." + std::to_string((v >> 15) & 0xF) + "." +
                                std::to_string((v >> 11) & 0xF);
    int seen = 0;
    std::unique_ptr<QTimer> watch(watchForModal(nullptr, [&](QWidget* box) {
        ++seen;
        EXPECT_STREQ(box->metaObject()->className(), "CDialogAbout");
        EXPECT_EQ(box->windowTitle().toStdString(), c.title);
        EXPECT_TRUE(box->isModal());
        EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(box->size(), QSize(467, 338));

        auto* name = child<QLabel>(box, "m_pLblName");
        auto* logo = child<QLabel>(box, "m_pLblLogo");
        auto* notice = child<QTextEdit>(box, "m_pTextEdit");
        ASSERT_TRUE(name && logo && notice);

        EXPECT_EQ(name->text().toStdString(), std::string(c.name) + ", version " + version);

        // The logo comes from the module's own resources, alpha and all.
        const QPixmap pixmap = logo->pixmap(Qt::ReturnByValue);
        EXPECT_EQ(pixmap.size(), QSize(134, 83));
        EXPECT_TRUE(pixmap.hasAlphaChannel());

        EXPECT_TRUE(notice->isReadOnly());
        const QTextDocument* doc = notice->document();
        EXPECT_EQ(doc->defaultFont().pointSize(), 10);
        ASSERT_EQ(doc->blockCount(), c.paragraphs);
        for (int i = 0; i < c.paragraphs; ++i) {
            const QTextBlock block = doc->findBlockByNumber(i);
            const bool shouldBeEmpty =
                std::find(c.emptyParagraphs.begin(), c.emptyParagraphs.end(), i) != c.emptyParagraphs.end();
            EXPECT_EQ(block.text().isEmpty(), shouldBeEmpty) << "paragraph " << i;
            EXPECT_EQ(block.blockFormat().topMargin(), 0.0) << "paragraph " << i;
            EXPECT_EQ(block.blockFormat().bottomMargin(), 0.0) << "paragraph " << i;
            const QTextCharFormat format =
                block.text().isEmpty() ? block.charFormat() : block.begin().fragment().charFormat();
            EXPECT_EQ(format.fontFamily(), "MS Shell Dlg 2") << "paragraph " << i;
        }
        EXPECT_TRUE(doc->findBlockByNumber(0).text().contains(c.module.name));

        clickOk(box);
    }));
    EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_EQ(seen, 1);
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleAboutBox, ::testing::ValuesIn(kAboutCases),
                         [](const auto& tp) { return std::string(tp.param.module.name); });

// The effect's own About button shows the same box as the host's About command.
TEST_P(ModuleAboutBox, TheAboutButtonShowsItToo) {
    const AboutCase& c = GetParam();
    SKIP_UNLESS_BUILT(c.module);
    Session s(c.module, HostApp::Premiere);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    int seen = 0;
    std::unique_ptr<QTimer> watch(watchForModal(nullptr, [&](QWidget* box) {
        ++seen;
        EXPECT_EQ(box->windowTitle().toStdString(), c.title);
        clickOk(box);
    }));
    EXPECT_EQ(s.fx.userChangedParam(2), PF_Err_NONE);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(s.fx.calls().changedPositions.empty());
}

// ---- Ways out, and requests while it is open ----

enum class WayOut { Ok, Cancel, Close };

void leave(QWidget* box, WayOut way) {
    switch (way) {
        case WayOut::Ok:
            clickOk(box);
            break;
        case WayOut::Cancel:
            child<QDialogButtonBox>(box, "buttonBox")->button(QDialogButtonBox::Cancel)->click();
            break;
        case WayOut::Close:
            box->close();  // what the window's close button does
            break;
    }
}

std::string wayName(WayOut way) {
    return way == WayOut::Ok ? "Ok" : way == WayOut::Cancel ? "Cancel" : "Close";
}

class ModuleAboutWayOut : public WithApplication,
                          public ::testing::TestWithParam<std::tuple<Deliverable, WayOut>> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleAboutWayOut, EndsTheBoxAndTheNextRequestShowsItAgain) {
    const auto& [d, way] = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    const int madeBefore = gApplicationsMade;
    for (int round = 0; round < 2; ++round) {
        int seen = 0;
        const WayOut w = way;
        std::unique_ptr<QTimer> watch(watchForModal(nullptr, [&seen, w](QWidget* box) {
            ++seen;
            leave(box, w);
        }));
        EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
        EXPECT_EQ(seen, 1) << "round " << round;
        EXPECT_EQ(aboutBoxesOpen(), 0) << "the box outlived the command";
    }
    // The process's own application object was used and is still the live one.
    EXPECT_EQ(QCoreApplication::instance(), app_.get());
    EXPECT_EQ(gApplicationsMade, madeBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModuleAboutWayOut,
                         ::testing::Combine(::testing::Values(kDuovisX, kDuovis),
                                            ::testing::Values(WayOut::Ok, WayOut::Cancel, WayOut::Close)),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) + "_" +
                                    wayName(std::get<1>(tp.param));
                         });

// A second About, from another instance of the same module, while the first box is open:
// it returns at once and shows nothing.
void expectSecondRequestShowsNothing(const Deliverable& d, int* seen) {
    Module module(d.path);
    EffectInstance other(module, HostApp::AfterEffects);
    ASSERT_EQ(other.globalSetup(), PF_Err_NONE);
    // Should a second box open after all, close it so the test fails rather than hangs. The
    // context object cancels the check once this function returns.
    bool nested = false;
    const QObject context;
    QTimer::singleShot(300, &context, [&nested] {
        if (aboutBoxesOpen() > 1) {
            nested = true;
            QApplication::activeModalWidget()->close();
        }
    });
    EXPECT_EQ(other.command(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_FALSE(nested);
    EXPECT_EQ(aboutBoxesOpen(), 1);
    ++*seen;
}

class ModuleAboutBusy : public WithApplication, public ::testing::TestWithParam<Deliverable> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleAboutBusy, RequestWhileOpenShowsNothing) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    int secondRequests = 0;
    std::unique_ptr<QTimer> watch(watchForModal(nullptr, [&](QWidget* box) {
        expectSecondRequestShowsNothing(GetParam(), &secondRequests);
        clickOk(box);
    }));
    EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_EQ(secondRequests, 1);
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleAboutBusy, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

// ---- No application object in the process beforehand ----

class ModuleAboutOwnApplication : public ::testing::TestWithParam<Deliverable> {
  protected:
    void SetUp() override {
        installConstructionHook();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ASSERT_EQ(QCoreApplication::instance(), nullptr);
    }
    void TearDown() override { gOnModal = nullptr; }
};

TEST_P(ModuleAboutOwnApplication, EachRequestMakesAndDeletesItsOwn) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    int seen = 0;
    const ModalAction action = [&seen](QWidget* box) {
        ++seen;
        EXPECT_FALSE(child<QLabel>(box, "m_pLblLogo")->pixmap(Qt::ReturnByValue).isNull());
        clickOk(box);
    };
    gOnModal = &action;
    for (int round = 1; round <= 2; ++round) {
        const int madeBefore = gApplicationsMade;
        EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
        EXPECT_EQ(seen, round);
        EXPECT_EQ(gApplicationsMade, madeBefore + 1) << "round " << round;
        ASSERT_EQ(QCoreApplication::instance(), nullptr)
            << "round " << round << " left its application alive";
    }
}

TEST_P(ModuleAboutOwnApplication, RequestWhileOpenShowsNothing) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    int secondRequests = 0;
    const Deliverable d = GetParam();
    const ModalAction action = [&secondRequests, d](QWidget* box) {
        expectSecondRequestShowsNothing(d, &secondRequests);
        clickOk(box);
    };
    gOnModal = &action;
    const int madeBefore = gApplicationsMade;
    EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_EQ(secondRequests, 1);
    EXPECT_EQ(gApplicationsMade, madeBefore + 1);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

// An application object that cannot run widgets, or no window system at all: making a
// second object or a widget would take the host down, so nothing is shown.
TEST_P(ModuleAboutOwnApplication, ShowsNothingWhereNoBoxCanRun) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    {
        QCoreApplication core(gArgc, gArgv);
        const int madeBefore = gApplicationsMade;
        EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
        EXPECT_EQ(gApplicationsMade, madeBefore);
        EXPECT_EQ(QCoreApplication::instance(), &core);
    }
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    const int madeBefore = gApplicationsMade;
    EXPECT_EQ(s.fx.command(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_EQ(gApplicationsMade, madeBefore);
    qputenv("QT_QPA_PLATFORM", platform);
    if (!display.isEmpty()) qputenv("DISPLAY", display);
    if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleAboutOwnApplication, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
