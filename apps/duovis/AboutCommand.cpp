// `duovis about`: the host's About command, shown on screen or captured to a picture.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "Args.h"
#include "Commands.h"
#include "EffectInstance.h"
#include "HostOptions.h"
#include "media/AtomicSave.h"

namespace duovis::cli {

namespace {

bool haveDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// Runs inside the About box's own modal loop: as soon as the box is up, its window goes to
// the file and the box is closed, as a user closing it would. Failures are kept for after the
// loop, since nothing may be thrown through Qt's event handling.
class AboutCapture {
  public:
    explicit AboutCapture(QString path) : path_(std::move(path)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(20);
    }
    bool saved() const { return saved_; }
    const std::string& error() const { return error_; }
    QSize size() const { return size_; }

  private:
    void poll() {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) return;
        timer_.stop();
        try {
            const QImage picture = box->grab().toImage();
            size_ = picture.size();
            saveImageAtomically(picture, path_);
            saved_ = true;
        } catch (const std::exception& e) {
            error_ = e.what();
        }
        box->close();
    }

    QString path_;
    QTimer timer_;
    bool saved_ = false;
    std::string error_;
    QSize size_;
};

void check(PF_Err err, const char* step) {
    if (err != PF_Err_NONE)
        throw std::runtime_error(std::string("the effect failed in ") + step + " (error " +
                                 std::to_string(err) + ")");
}

}  // namespace

int aboutCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help"};
    spec.valued = {"--plugin", "--plugin-dir", "--screenshot"};
    spec.aliases = {{"-h", "--help"}};
    const Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(
            "usage: duovis about [--plugin DuovisX|Duovis] [--plugin-dir DIR] [--screenshot OUT.png]\n"
            "Sends the effect the host's About command, which shows its About box until it is closed.\n"
            "With --screenshot the box's window is written to OUT.png and the box closed at once; without\n"
            "a display this runs on Qt's offscreen platform.\n",
            stdout);
        return 0;
    }
    if (!args.positional().empty())
        throw std::runtime_error("about takes no file: '" + args.positional()[0] + "'");
    const std::optional<std::string> screenshot = args.value("--screenshot");
    if (screenshot && screenshot->empty()) throw std::runtime_error("--screenshot needs a file name");
    const bool offscreen = qgetenv("QT_QPA_PLATFORM") == "offscreen";
    if (!screenshot && (offscreen || (!haveDisplay() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))))
        throw std::runtime_error(
            "no display to show the About box on (--screenshot FILE captures it instead)");

    // To capture the box the tool owns the application object; the effect then shows its box
    // in that one. Without it the effect makes its own, as it does in a host without Qt, so
    // the tool's own object (which finds the plug-in next to the binary) is gone by then.
    static int argc = 1;
    static char name[] = "duovis";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<AboutCapture> capture;
    std::string modulePath;
    if (screenshot) {
        if (!haveDisplay() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        capture = std::make_unique<AboutCapture>(QString::fromStdString(*screenshot));
        modulePath = modulePathFromArgs(args);
    } else {
        const QCoreApplication locator(argc, argv);
        modulePath = modulePathFromArgs(args);
    }

    const auto module = std::make_unique<refhost::Module>(modulePath);  // its errors name the file
    refhost::EffectInstance fx(*module, refhost::HostApp::AfterEffects);
    check(fx.globalSetup(), "global set-up");
    const PF_Err err = fx.command(PF_Cmd_ABOUT);
    fx.globalSetdown();
    check(err, "the About command");

    if (capture) {
        if (!capture->error().empty()) throw std::runtime_error(capture->error());
        if (!capture->saved()) throw std::runtime_error("the effect showed no About box");
        std::printf("wrote %s (%d x %d)\n", screenshot->c_str(), capture->size().width(),
                    capture->size().height());
    }
    return 0;
}

}  // namespace duovis::cli
