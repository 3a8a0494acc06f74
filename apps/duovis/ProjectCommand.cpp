// `duovis project`: create a project, change its values as a user would, press its buttons,
// and show it.
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>

#include <cstdio>
#include <stdexcept>

#include "Args.h"
#include "Commands.h"
#include "HostOptions.h"
#include "ParamAssign.h"
#include "ParamId.h"
#include "ParamTable.h"
#include "PluginLocator.h"
#include "Project.h"
#include "RenderJob.h"
#include "SequenceRecord.h"
#include "ToolPress.h"

namespace duovis::cli {

namespace {

const char* kProjectHelp =
    "usage: duovis project new FILE [--host ae|premiere] [--plugin DuovisX|Duovis]\n"
    "                          (--primary IMAGE | --layer WIDTHxHEIGHT) [--second IMAGE]\n"
    "       duovis project set FILE ID=VALUE...\n"
    "       duovis project press FILE BUTTON_ID\n"
    "       duovis project show FILE [--json]\n"
    "\n"
    "A project holds what a host saves of the applied effect: the layers, every parameter\n"
    "value and the effect's sequence data (the global display). `set` changes values as a\n"
    "user does in the effect's controls, so linked values follow (a percent shift and its\n"
    "pixel twin); `press` presses a button (XFORM_RESET_ALL, CROP_RESET, COPY_PARAMS,\n"
    "PASTE_PARAMS, GLOBAL_DISPLAY_SWITCH, ABOUT_BUTTON, ...). LAUNCH_TOOL runs the parallax\n"
    "tool (DUOVIS_DEPTHSCOPE, else the depthscope next to duovis) on the project's layers and\n"
    "keeps the corrections it sends back. Every change is saved whole or\n"
    "not at all. `duovis render --project FILE` renders with the project's values.\n"
    "  --plugin-dir DIR   where the plug-ins are (as for render)\n";

ProjectLayer layerFromArgs(const Args& args) {
    const auto image = args.value("--primary");
    const auto size = args.value("--layer");
    if (image.has_value() == size.has_value())
        throw std::runtime_error("project new needs --primary IMAGE or --layer WIDTHxHEIGHT");
    ProjectLayer l;
    if (image) {
        const QString file = QString::fromStdString(*image);
        QImageReader reader(file);
        const QSize s = reader.size();
        if (!QFileInfo(file).isFile() || !s.isValid())
            throw std::runtime_error(*image + ": not a readable image");
        l.file = QFileInfo(file).absoluteFilePath();
        l.width = s.width();
        l.height = s.height();
        return l;
    }
    const auto x = size->find('x');
    if (x == std::string::npos) throw std::runtime_error("--layer: '" + *size + "' is not WIDTHxHEIGHT");
    l.width = parseInt(size->substr(0, x), "--layer width");
    l.height = parseInt(size->substr(x + 1), "--layer height");
    if (l.width < 0 || l.height < 0 || l.width > 65535 || l.height > 65535)
        throw std::runtime_error("--layer: width and height must be 0..65535");
    return l;
}

// The project's effect, set up and opened as the host opens a saved project.
struct OpenProject {
    OpenProject(const Project& p, const Args& args)
        : job(locatePlugin(p.plugin, args.value("--plugin-dir")), p.host) {
        job.setLayerSize(p.primary.width, p.primary.height);
        applyProject(p, job.instance());
    }
    RenderJob job;
};

void saveFrom(Project& p, OpenProject& open, const QString& path) {
    captureProject(p, open.job.instance());
    saveProject(p, path);
}

int projectNew(const QString& path, const Args& args) {
    if (QFileInfo::exists(path))
        throw std::runtime_error(path.toStdString() + ": already exists; remove it first");
    Project p;
    p.plugin = args.value("--plugin").value_or("DuovisX");
    p.host = hostFromArgs(args);
    p.primary = layerFromArgs(args);
    if (const auto second = args.value("--second")) {
        const QString file = QString::fromStdString(*second);
        if (!QImageReader(file).size().isValid())
            throw std::runtime_error(*second + ": not a readable image");
        p.second = QFileInfo(file).absoluteFilePath();
    }
    OpenProject open(p, args);
    saveFrom(p, open, path);
    std::printf("created %s (%s, %s host, layer %d x %d)\n", path.toUtf8().constData(), p.plugin.c_str(),
                hostName(p.host), p.primary.width, p.primary.height);
    return 0;
}

int projectSet(const QString& path, const std::vector<std::string>& assignments, const Args& args) {
    if (assignments.empty()) throw std::runtime_error("project set needs at least one ID=VALUE");
    Project p = loadProject(path);
    OpenProject open(p, args);
    for (const auto& a : assignments) open.job.assign(a);
    saveFrom(p, open, path);
    return 0;
}

int projectPress(const QString& path, const std::vector<std::string>& buttons, const Args& args) {
    if (buttons.size() != 1) throw std::runtime_error("project press needs exactly one BUTTON_ID");
    Project p = loadProject(path);
    OpenProject open(p, args);
    refhost::EffectInstance& fx = open.job.instance();
    const int position = resolveParam(fx.params(), buttons[0]);
    const PF_ParamDef& def = fx.params().at(position);
    if (def.param_type != PF_Param_BUTTON) throw std::runtime_error(buttons[0] + " is not a button");
    // The tool button is hidden in every host, yet runs whenever the host reports a press.
    if (position == LAUNCH_TOOL) {
        const int changed = pressToolButton(fx, p);
        std::printf("the parallax tool changed %d value%s\n", changed, changed == 1 ? "" : "s");
    } else if ((def.ui_flags & PF_PUI_INVISIBLE) != 0) {
        throw std::runtime_error(buttons[0] + " is hidden in the " + hostName(p.host) + " host");
    } else if (fx.userChangedParam(position) != PF_Err_NONE) {
        throw std::runtime_error("the effect failed the button press");
    }
    saveFrom(p, open, path);
    return 0;
}

std::string valueText(const QJsonValue& v) {
    if (v.isBool()) return v.toBool() ? "on" : "off";
    return QString::number(v.toDouble(), 'g', 10).toStdString();
}

int projectShow(const QString& path, const Args& args) {
    const Project p = loadProject(path);
    SequenceRecord r = initialSequenceRecord();
    if (p.sequenceData.size() >= static_cast<int>(kSequenceRecordSize))
        r = decodeSequenceRecord(reinterpret_cast<const std::uint8_t*>(p.sequenceData.constData()));
    if (args.has("--json")) {
        QJsonObject o{
            {"plugin", QString::fromStdString(p.plugin)},
            {"host", hostName(p.host)},
            {"layer",
             QJsonObject{{"file", p.primary.file}, {"width", p.primary.width}, {"height", p.primary.height}}},
            {"second", p.second},
            {"globalDisplay",
             QJsonObject{{"switch", r.displaySwitch}, {"on", r.displaySwitch > 0}, {"mode", r.displayMode}}},
            {"params", p.values}};
        std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
        return 0;
    }
    std::printf("plug-in %s, %s host, layer %d x %d%s%s\n", p.plugin.c_str(), hostName(p.host),
                p.primary.width, p.primary.height, p.primary.file.isEmpty() ? "" : ": ",
                p.primary.file.toUtf8().constData());
    if (!p.second.isEmpty()) std::printf("second layer: %s\n", p.second.toUtf8().constData());
    std::printf("global display: %s, mode %d\n", r.displaySwitch > 0 ? "on" : "off", r.displayMode);
    // In list order, so related entries stay together.
    for (const ParamDef& d : paramTable()) {
        const QJsonValue v = p.values.value(QString::fromLatin1(d.identifier));
        if (!v.isUndefined()) std::printf("%s = %s\n", d.identifier, valueText(v).c_str());
    }
    return 0;
}

}  // namespace

int projectCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help", "--json"};
    spec.valued = {"--host", "--plugin", "--plugin-dir", "--primary", "--layer", "--second"};
    spec.aliases = {{"-h", "--help"}};
    const Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(kProjectHelp, stdout);
        return 0;
    }
    const auto& pos = args.positional();
    if (pos.size() < 2)
        throw std::runtime_error("project needs an action and a FILE (see duovis project --help)");
    const std::string action = pos[0];
    const QString file = QString::fromStdString(pos[1]);
    const std::vector<std::string> rest(pos.begin() + 2, pos.end());
    if (action == "new" && rest.empty()) return projectNew(file, args);
    if (action == "set") return projectSet(file, rest, args);
    if (action == "press") return projectPress(file, rest, args);
    if (action == "show" && rest.empty()) return projectShow(file, args);
    throw std::runtime_error("project: unknown action or extra words '" + action +
                             "' (new, set, press, show)");
}

}  // namespace duovis::cli
