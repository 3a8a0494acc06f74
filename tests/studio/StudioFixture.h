#pragma once
// A studio window on two small pictures the test draws, under Qt's offscreen platform, with the
// built modules; helpers wait for the render thread and read values by position.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <utility>

#include "MainWindow.h"
#include "ParamPanel.h"
#include "Viewer.h"

#include "../cli/CliFixture.h"

namespace duovis::studiotest {

// A picture whose pixels all differ, so shifted or swapped eyes show.
using clitest::pattern;

// Runs the event loop until `done` holds; false after `ms` milliseconds.
template <typename F>
bool waitFor(F done, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Answers the window's questions in a person's place and counts them. By default it keeps
// everything and picks no file, so an unexpected question shows in a count, never as a hang.
struct Person {
    QMessageBox::StandardButton changes = QMessageBox::Cancel;
    QStringList opens;  // what the open dialog gives, in turn
    QString saveAs;     // what is typed in the save dialog
    bool replace = false;
    int changesAsked = 0;
    int replaceAsked = 0;
    QStringList openedIn = {};  // the folder each open dialog started in
    QStringList errors = {};    // what the window told of failed actions

    studio::Prompts prompts() {
        return {[this](QWidget*) {
                    ++changesAsked;
                    return changes;
                },
                [this](QWidget*, const QString&, const QString&, const QString& folder) {
                    openedIn << folder;
                    return opens.isEmpty() ? QString() : opens.takeFirst();
                },
                [this](QWidget*, const QString&) { return saveAs; },
                [this](QWidget*, const QString&) {
                    ++replaceAsked;
                    return replace;
                },
                [this](QWidget*, const QString& message) { errors << message; }};
    }
};

class StudioTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 36;

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(pattern(kWidth, kHeight, 1).save(path("left.png")));
        ASSERT_TRUE(pattern(kWidth, kHeight, 77).save(path("right.png")));
    }

    // A window with the pair (or the given files) open, its first render shown.
    void open(refhost::HostApp host = refhost::HostApp::Premiere, const QString& primary = "left.png",
              const QString& second = "right.png") {
        window_ = std::make_unique<studio::MainWindow>();
        studio::SessionOptions options;
        options.pluginDir = DUOVIS_PLUGIN_DIR;
        options.host = host;
        window_->setOptions(options);
        window_->setPrompts(person_.prompts());
        ASSERT_TRUE(window_->openPath(path(primary), second.isEmpty() ? QString() : path(second)));
        settle();
    }
    void settle() {
        ASSERT_TRUE(waitFor([this] { return session().settled(); }));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    studio::Session& session() { return window_->session(); }
    const refhost::ParamStore& store(int slot = 0) { return session().instance(slot).params(); }
    template <typename W>
    W* control(const QString& name, int slot = 0) {
        return window_->panel(slot)->findChild<W*>(name);
    }
    template <typename W>
    W* control(int position, const char* suffix = "", int slot = 0) {
        return control<W>(QStringLiteral("param-%1%2").arg(position).arg(QLatin1String(suffix)), slot);
    }
    QImage shown(int slot = 0) { return window_->viewer(slot)->image(); }

    // Chooses a menu entry by its text, without the mnemonic's '&'.
    void trigger(const QString& text) {
        QAction* found = nullptr;
        for (QAction* a : window_->findChildren<QAction*>())
            if (a->text().remove('&') == text) found = a;
        ASSERT_NE(found, nullptr) << text.toStdString();
        found->trigger();
    }

    // Presses "Launch Depthscope" in the Tools menu with the stand-in tool, which records what
    // it is sent under the test's folder and replies with the right eye up 2.5 % each time.
    void launchTool() {
        withStandInTool([this] { trigger(QStringLiteral("Launch Depthscope")); });
    }
    // Runs `action` with the stand-in tool in the parallax tool's place.
    template <typename F>
    void withStandInTool(F action) {
        QByteArray reply(256, '\0');  // slot 27 with its mask bit
        const auto put = [&reply](int offset, uint32_t v) {
            for (int i = 0; i < 4; ++i) reply[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        put(4 * 27, static_cast<uint32_t>(-25000));
        put(248, 1u << 27);
        QFile file(path("reply.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(reply) == 256);
        file.close();
        qputenv("TMPDIR", QFile::encodeName(dir_.path()));
        qputenv("DUOVIS_DEPTHSCOPE", TOOL_RECORDER_PATH);
        qputenv("DUOVIS_TEST_TOOL_DIR", QFile::encodeName(dir_.path()));
        qputenv("DUOVIS_TEST_TOOL_REPLY", QFile::encodeName(path("reply.bin")));
        action();
        for (const char* name :
             {"TMPDIR", "DUOVIS_DEPTHSCOPE", "DUOVIS_TEST_TOOL_DIR", "DUOVIS_TEST_TOOL_REPLY"})
            qunsetenv(name);
    }

    QTemporaryDir dir_;
    Person person_;
    std::unique_ptr<studio::MainWindow> window_;
};

}  // namespace duovis::studiotest
