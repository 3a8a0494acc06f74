// duovis-studio: an interactive host for the effect. It loads the module and drives it through
// its entry point as the editing host does, with the effect's controls built from what the
// module registered, a rendered preview, undo, and projects shared with `duovis project`.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "EventLog.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "StudioOptions.h"
#include "media/AtomicSave.h"
#include "media/SameFile.h"
#include "session/ParamAssign.h"
#include "session/Project.h"

namespace {

using namespace duovis;

constexpr int kScreenshotTimeoutMs = 120000;

using Options = studio::StudioOptions;

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

// The arguments as the system's encoding decodes them, as Qt decodes file names.
QStringList argumentsOf(int argc, char** argv) {
    QStringList words;
    for (int i = 1; i < argc; ++i) words << QFile::decodeName(argv[i]);
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = studio::parseStudioOptions(argumentsOf(argc, argv));
        if (options.help) {
            std::fputs(studio::kStudioUsage, stdout);
            return 0;
        }
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
    studio::logEventsOf(window);
    try {
        if (!options.file.isEmpty()) {
            // What the command line names opens without dialogs: a failure is its exit status.
            studio::Prompts quiet = studio::dialogPrompts();
            quiet.openFile = [](QWidget*, const QString&, const QString&, const QString&) {
                return QString();
            };
            quiet.showError = nullptr;
            window.setPrompts(quiet);
            const bool opened = window.openPath(options.file, options.second);
            window.setPrompts(studio::dialogPrompts());
            if (!opened) return 1;
            for (int i = 1; i < options.instances; ++i) window.session().addInstance();
            if (!applyValues(window.session(), options)) return 2;
            for (QLineEdit* box : window.findChildren<QLineEdit*>(QStringLiteral("panel-filter")))
                box->setText(options.filter);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovis-studio: %s\n", e.what());
        return 2;
    }
    window.show();
    if (!options.screenshot.isEmpty()) takeScreenshot(window, options.screenshot);
    return QApplication::exec();
}
