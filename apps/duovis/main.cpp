// duovis: renders stereo pictures through the effect modules from the shell.
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

// Qt's own chatter (image decoders, platform set-up) would break the one-line message a
// failure prints; DUOVIS_QT_MESSAGES brings it back for debugging.
void quietQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

const char* kHelp =
    "usage: duovis COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  render PRIMARY -o OUTPUT   render one frame through the effect\n"
    "  params                     list the effect's parameters\n"
    "  demo [-o DIR]              render a built-in stereo scene in every display type\n"
    "  about                      show the effect's About box, or capture it to a picture\n"
    "  overlay -o OUTPUT          draw the effect panel's global display status line\n"
    "  project ACTION FILE        create, change, press buttons in and show a saved project\n"
    "\n"
    "`duovis COMMAND --help` describes each command's options.\n";

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("DUOVIS_QT_MESSAGES")) qInstallMessageHandler(quietQtMessages);
    std::vector<std::string> words(argv + 1, argv + argc);
    // Only text (the contact sheet, the status line) needs the GUI side (fonts), and never a
    // display. The About box brings its own application object, or the effect makes one.
    std::unique_ptr<QCoreApplication> app;
    if (!words.empty() && (words[0] == "demo" || words[0] == "overlay" ||
                           (words[0] == "project" && words.size() > 1 && words[1] == "show"))) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else if (words.empty() || words[0] != "about") {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::fputs(kHelp, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    const std::string command = words[0];
    words.erase(words.begin());
    try {
        if (command == "render") return duovis::cli::renderCommand(words);
        if (command == "params") return duovis::cli::paramsCommand(words);
        if (command == "demo") return duovis::cli::demoCommand(words);
        if (command == "about") return duovis::cli::aboutCommand(words);
        if (command == "overlay") return duovis::cli::overlayCommand(words);
        if (command == "project") return duovis::cli::projectCommand(words);
        std::fprintf(stderr, "duovis: unknown command '%s' (see duovis --help)\n", command.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovis: %s\n", e.what());
        return 1;
    }
}
