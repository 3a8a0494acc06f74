// duovis-studio: an interactive host for the effect. It loads the module and drives it through
// its entry point as the editing host does, with the effect's controls built from what the
// module registered, a rendered preview, undo, and projects shared with `duovis project`.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "MainWindow.h"
#include "duovis/Args.h"
#include "duovis/HostOptions.h"
#include "media/AtomicSave.h"
#include "media/SameFile.h"
#include "session/ParamAssign.h"
#include "session/Project.h"

namespace {

using namespace duovis;

constexpr const char* kUsage =
    "usage: duovis-studio [FILE] [--second FILE] [-p ID=VALUE]... [--press ID]... [--instances 1|2]\n"
    "                     [--screenshot OUT.png] [--host premiere|ae] [--plugin DuovisX|Duovis]\n"
    "                     [--plugin-dir DIR]\n"
    "Opens FILE (a stereo picture, one eye of a pair with --second, a numbered sequence such as\n"
    "shot_%04d.png, a video (.mp4, .mov, .mkv), or a project saved by duovis-studio or `duovis\n"
    "project`) in a window with the effect's controls and its rendered output. A two-view OpenEXR\n"
    "file or sequence (views left and right) is both eyes; a video plays at its own rate, demuxed\n"
    "as its stereo metadata says.\n"
    "  --second FILE       the second layer (the other eye, or its sequence or video)\n"
    "  -p, --param ID=VALUE  sets a value in every instance, as in `duovis render`\n"
    "  --press ID          presses a button (e.g. GLOBAL_DISPLAY_SWITCH) in the first instance\n"
    "  --instances N       1 or 2 effect instances side by side (default 1)\n"
    "  --screenshot OUT    waits for the render, writes a picture of the whole window and exits;\n"
    "                      without a display it uses Qt's offscreen platform\n"
    "  --host HOST         premiere (default: the editing host's panel, with the global display\n"
    "                      switch and status area) or ae; a project brings its own\n"
    "  --plugin, --plugin-dir  the module, as for duovis\n";

constexpr int kScreenshotTimeoutMs = 120000;

struct Options {
    QString file;
    QString second;
    std::vector<std::string> assignments;
    std::vector<std::string> presses;
    int instances = 1;
    QString screenshot;
    studio::SessionOptions session;
};

Options parseOptions(const std::vector<std::string>& words) {
    cli::OptionSpec spec;
    spec.flags = {"--help"};
    spec.valued = {"--second",     "--param", "--press",  "--instances",
                   "--screenshot", "--host",  "--plugin", "--plugin-dir"};
    spec.aliases = {{"-h", "--help"}, {"-p", "--param"}};
    const cli::Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(kUsage, stdout);
        std::exit(0);
    }
    Options o;
    if (args.positional().size() > 1)
        throw std::runtime_error("one FILE at most: '" + args.positional()[1] + "' is one too many");
    if (!args.positional().empty()) o.file = QFile::decodeName(args.positional()[0].c_str());
    if (const auto second = args.value("--second")) o.second = QFile::decodeName(second->c_str());
    if (!o.second.isEmpty() && o.file.isEmpty())
        throw std::runtime_error("--second needs a FILE to pair with");
    o.assignments = args.values("--param");
    o.presses = args.values("--press");
    if (const auto n = args.value("--instances")) {
        o.instances = session::parseInt(*n, "--instances");
        if (o.instances < 1 || o.instances > 2) throw std::runtime_error("--instances must be 1 or 2");
    }
    if (const auto shot = args.value("--screenshot")) {
        if (shot->empty()) throw std::runtime_error("--screenshot needs a file name");
        o.screenshot = QFile::decodeName(shot->c_str());
    }
    o.session.host = args.value("--host") ? cli::hostFromArgs(args) : refhost::HostApp::Premiere;
    o.session.plugin = args.value("--plugin").value_or("DuovisX");
    o.session.pluginDir = args.value("--plugin-dir");
    if ((!o.assignments.empty() || !o.presses.empty() || o.instances > 1) && o.file.isEmpty())
        throw std::runtime_error("-p, --press and --instances need a FILE to open");
    return o;
}

// The screenshot must not replace what the window shows: the files given or a project's layers.
void refuseScreenshotOverInputs(const Options& o) {
    if (o.screenshot.isEmpty()) return;
    InputFiles inputs;
    for (const QString& file : {o.file, o.second})
        if (!file.isEmpty()) inputs.add(QFile::encodeName(file).toStdString());
    if (o.file.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) && o.second.isEmpty())
        for (const std::string& layer : session::layerFiles(session::loadProject(o.file))) inputs.add(layer);
    inputs.refuseAsOutput(QFile::encodeName(o.screenshot).toStdString());
}

bool displayReachable() {
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// Applies the command line's values; false when the effect or the host refused one, which the
// window has already reported.
bool applyValues(studio::Session& session, const Options& o) {
    QString refusal;
    const auto connection =
        QObject::connect(&session, &studio::Session::failed, [&refusal](const QString& why) {
            if (refusal.isEmpty()) refusal = why;
        });
    for (int slot = 0; slot < session.instanceCount() && refusal.isEmpty(); ++slot)
        for (const std::string& a : o.assignments) {
            session::resolveParam(session.instance(slot).params(), a.substr(0, a.find('=')));
            session.assign(slot, a);
        }
    for (const std::string& id : o.presses) {
        if (!refusal.isEmpty()) break;
        session.press(0, session::resolveParam(session.instance(0).params(), id));
    }
    QObject::disconnect(connection);
    session.undoStack().clear();  // the values the window opens with are where undo starts
    return refusal.isEmpty();
}

void takeScreenshot(studio::MainWindow& window, const QString& path) {
    studio::Session& session = window.session();
    auto shoot = [&window, path] {
        // One more turn of the event loop lets the last frame's layout settle before the grab.
        QTimer::singleShot(50, &window, [&window, path] {
            try {
                saveImageAtomically(window.grab().toImage(), path);
                std::printf("wrote %s\n", QFile::encodeName(path).constData());
                QApplication::exit(0);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "duovis-studio: %s\n", e.what());
                QApplication::exit(1);
            }
        });
    };
    if (!session.isOpen() || session.settled()) {
        shoot();
    } else {
        auto shot = std::make_shared<bool>(false);
        QObject::connect(&session, &studio::Session::becameSettled, &window, [shoot, shot] {
            if (!*shot) shoot();
            *shot = true;
        });
    }
    QTimer::singleShot(kScreenshotTimeoutMs, &window, [] {
        std::fputs("duovis-studio: the render did not finish in time for the screenshot\n", stderr);
        QApplication::exit(1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        refuseScreenshotOverInputs(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovis-studio: %s\n", e.what());
        return 2;
    }
    if (!displayReachable()) {
        if (options.screenshot.isEmpty()) {
            std::fputs("duovis-studio: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n", stderr);
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    studio::MainWindow window;
    window.setOptions(options.session);
    try {
        if (!options.file.isEmpty()) {
            if (!window.openPath(options.file, options.second)) return 1;
            for (int i = 1; i < options.instances; ++i) window.session().addInstance();
            if (!applyValues(window.session(), options)) return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovis-studio: %s\n", e.what());
        return 2;
    }
    window.show();
    if (!options.screenshot.isEmpty()) takeScreenshot(window, options.screenshot);
    return QApplication::exec();
}
