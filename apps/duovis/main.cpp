// duovis: renders stereo pictures through the effect modules from the shell.
#include <QGuiApplication>
#include <algorithm>
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
    "  farm render ... -o OUTPUT  renders as render does, in chunks on a Slurm cluster\n"
    "\n"
    "Global options, given before COMMAND, for the rendering commands (render, demo):\n"
    "  --threads N                the host's worker threads (default: every core, or\n"
    "                             DUOVIS_THREADS); 1 renders in one thread\n"
    "\n"
    "`duovis COMMAND --help` (or `duovis help COMMAND`) describes each command's options;\n"
    "`duovis --version` prints the version the effect modules carry.\n";

#ifndef DUOVIS_VERSION_TEXT
#error "DUOVIS_VERSION_TEXT must be defined by the build (the project's version)"
#endif

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    bool renders = false;  // takes the global rendering options
};

const Command kCommands[] = {
    {"render", duovis::cli::renderCommand, true}, {"params", duovis::cli::paramsCommand},
    {"demo", duovis::cli::demoCommand, true},     {"about", duovis::cli::aboutCommand},
    {"overlay", duovis::cli::overlayCommand},     {"project", duovis::cli::projectCommand},
    {"farm", duovis::cli::farmCommand},
};

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("DUOVIS_QT_MESSAGES")) qInstallMessageHandler(quietQtMessages);
    std::vector<std::string> words(argv + 1, argv + argc);
    // Global options go to the command, ahead of its own options (which then win).
    std::vector<std::string> global;
    while (!words.empty() && (words[0] == "--threads" || words[0].rfind("--threads=", 0) == 0)) {
        const std::size_t n = words[0] == "--threads" ? std::min<std::size_t>(2, words.size()) : 1;
        global.insert(global.end(), words.begin(), words.begin() + static_cast<std::ptrdiff_t>(n));
        words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (!global.empty() && words.empty()) {
        std::fputs("duovis: --threads needs a command after it (see duovis --help)\n", stderr);
        return 2;
    }
    // Only text (the contact sheet, the status line) needs the GUI side (fonts), and never a
    // display. The About box brings its own application object, or the effect makes one.
    std::unique_ptr<QCoreApplication> app;
    // `help COMMAND [ACTION]` is `COMMAND [ACTION] --help`.
    if (words.size() >= 2 && words[0] == "help") {
        words.erase(words.begin());
        words.push_back("--help");
    }
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
    if (words[0] == "--version") {
        std::puts("duovis " DUOVIS_VERSION_TEXT);
        return 0;
    }
    const Command* command = findCommand(words[0]);
    if (command == nullptr) {
        std::fprintf(stderr, "duovis: unknown command '%s' (see duovis --help)\n", words[0].c_str());
        return 2;
    }
    if (!global.empty() && !command->renders) {
        std::fprintf(stderr, "duovis: --threads is for the rendering commands (render, demo), not %s\n",
                     command->name);
        return 2;
    }
    words.erase(words.begin());
    words.insert(words.begin(), global.begin(), global.end());
    try {
        return command->run(words);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovis: %s\n", e.what());
        return 1;
    }
}
