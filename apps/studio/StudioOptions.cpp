#include "StudioOptions.h"

#include <QCommandLineParser>
#include <QFile>
#include <stdexcept>

#include "session/HostSetup.h"
#include "session/Numbers.h"

namespace duovis::studio {

const char* const kStudioUsage =
    "usage: duovis-studio [FILE] [--second FILE] [-p ID=VALUE]... [--press ID]... [--instances 1|2]\n"
    "                     [--screenshot OUT.png] [--filter WORDS] [--host premiere|ae]\n"
    "                     [--plugin DuovisX|Duovis] [--plugin-dir DIR] [--threads N]\n"
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
    "  --filter WORDS      fills the panel's filter box: only the controls whose name,\n"
    "                      identifier or group holds the words show (e.g. vshift)\n"
    "  --host HOST         premiere (default: the editing host's panel, with the global display\n"
    "                      switch and status area) or ae; a project brings its own\n"
    "  --plugin, --plugin-dir  the module, as for duovis\n"
    "  --threads N         the host's worker threads (default: every core, or DUOVIS_THREADS);\n"
    "                      1 renders in one thread\n";

namespace {

std::string bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

std::vector<std::string> allBytes(const QStringList& texts) {
    std::vector<std::string> out;
    for (const QString& text : texts) out.push_back(bytes(text));
    return out;
}

std::string dashed(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + bytes(name);
}

// The parser's complaints as the studio has always put them, naming the option by its long
// name. Its own text quotes the option as typed ("Missing value after '-p'.").
std::string parseError(const QCommandLineParser& parser, const QList<QCommandLineOption>& options) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) return "unknown option " + dashed(unknown.front());
    const QString typed = parser.errorText().section('\'', 1, 1);
    QString name = typed;
    while (name.startsWith('-')) name.remove(0, 1);
    for (const QCommandLineOption& option : options) {
        if (!option.names().contains(name)) continue;
        const std::string longName = dashed(option.names().back());
        return "option " + longName + (option.valueName().isEmpty() ? " takes no value" : " needs a value");
    }
    return parser.errorText().toStdString();
}

struct StudioParser {
    QCommandLineParser parser;
    const QCommandLineOption help{QStringList{"h", "help"}};
    const QCommandLineOption second{"second", "", "FILE"};
    const QCommandLineOption param{QStringList{"p", "param"}, "", "ID=VALUE"};
    const QCommandLineOption press{"press", "", "ID"};
    const QCommandLineOption instances{"instances", "", "N"};
    const QCommandLineOption screenshot{"screenshot", "", "OUT"};
    const QCommandLineOption host{"host", "", "HOST"};
    const QCommandLineOption plugin{"plugin", "", "NAME"};
    const QCommandLineOption pluginDir{"plugin-dir", "", "DIR"};
    const QCommandLineOption threads{"threads", "", "N"};
    const QCommandLineOption filter{"filter", "", "WORDS"};

    explicit StudioParser(const QStringList& words) {
        const QList<QCommandLineOption> options{help, second, param,     press,   instances, screenshot,
                                                host, plugin, pluginDir, threads, filter};
        parser.addOptions(options);
        // The parser takes the program's name first.
        if (!parser.parse(QStringList{QStringLiteral("duovis-studio")} + words))
            throw std::runtime_error(parseError(parser, options));
    }
    std::optional<std::string> value(const QCommandLineOption& option) const {
        if (!parser.isSet(option)) return std::nullopt;
        return bytes(parser.value(option));
    }
};

void readFiles(const StudioParser& p, StudioOptions& o) {
    const QStringList positional = p.parser.positionalArguments();
    if (positional.size() > 1)
        throw std::runtime_error("one FILE at most: '" + bytes(positional[1]) + "' is one too many");
    if (!positional.isEmpty()) o.file = positional.front();
    if (p.parser.isSet(p.second)) o.second = p.parser.value(p.second);
    o.filter = p.parser.value(p.filter);
    if (!o.second.isEmpty() && o.file.isEmpty())
        throw std::runtime_error("--second needs a FILE to pair with");
    if (const auto shot = p.value(p.screenshot)) {
        if (shot->empty()) throw std::runtime_error("--screenshot needs a file name");
        o.screenshot = p.parser.value(p.screenshot);
    }
}

void readSession(const StudioParser& p, SessionOptions& s) {
    if (const auto host = p.value(p.host)) s.host = session::hostAppFrom(*host, "--host");
    if (const auto plugin = p.value(p.plugin)) s.plugin = *plugin;
    s.pluginDir = p.value(p.pluginDir);
    s.threads = session::workerThreads(p.value(p.threads), "--threads");
}

}  // namespace

StudioOptions parseStudioOptions(const QStringList& words) {
    const StudioParser p(words);
    StudioOptions o;
    o.help = p.parser.isSet(p.help);
    if (o.help) return o;
    readFiles(p, o);
    o.assignments = allBytes(p.parser.values(p.param));
    o.presses = allBytes(p.parser.values(p.press));
    if (const auto n = p.value(p.instances)) {
        o.instances = session::parseInt(*n, "--instances");
        if (o.instances < 1 || o.instances > 2) throw std::runtime_error("--instances must be 1 or 2");
    }
    readSession(p, o.session);
    if ((!o.assignments.empty() || !o.presses.empty() || o.instances > 1 || !o.filter.isEmpty()) &&
        o.file.isEmpty())
        throw std::runtime_error("-p, --press, --instances and --filter need a FILE to open");
    return o;
}

}  // namespace duovis::studio
