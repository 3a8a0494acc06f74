// `duovis project`: create a project, change its values as a user would, press its buttons,
// and show it. Each action is one row of kActions: its words, its help and its function.
#include <QFileInfo>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "Args.h"
#include "Commands.h"
#include "HostOptions.h"
#include "ProjectOpen.h"
#include "core/params/ParamId.h"
#include "core/params/ParamTable.h"
#include "session/ClipboardWatch.h"
#include "session/FileLock.h"
#include "session/KeyEdit.h"
#include "session/ParamAssign.h"
#include "session/PluginLocator.h"
#include "session/Project.h"
#include "session/ProjectKeys.h"
#include "session/ProjectLayers.h"
#include "session/RenderJob.h"
#include "session/StatusArea.h"
#include "session/ToolPress.h"

namespace duovis::cli {

using namespace session;

namespace {

ProjectLayer layerFromArgs(const Args& args) {
    const auto image = args.value("--primary");
    const auto size = args.value("--layer");
    if (image.has_value() == size.has_value())
        throw std::runtime_error("project new needs --primary IMAGE or --layer WIDTHxHEIGHT");
    if (image) return describeLayer(*image);
    ProjectLayer l;
    const auto x = size->find('x');
    if (x == std::string::npos) throw std::runtime_error("--layer: '" + *size + "' is not WIDTHxHEIGHT");
    l.width = parseInt(size->substr(0, x), "--layer width");
    l.height = parseInt(size->substr(x + 1), "--layer height");
    if (l.width < 0 || l.height < 0 || l.width > 65535 || l.height > 65535)
        throw std::runtime_error("--layer: width and height must be 0..65535");
    return l;
}

std::string number(double v) {
    return QString::number(v, 'g', 10).toStdString();
}

int projectNew(const QString& path, const Words& rest, const Args& args) {
    if (!rest.empty())
        throw std::runtime_error("project new takes only FILE and options, not '" + rest[0] + "'");
    if (QFileInfo::exists(path))
        throw std::runtime_error(path.toStdString() + ": already exists; remove it first");
    Project p;
    p.plugin = args.value("--plugin").value_or("DuovisX");
    p.host = hostFromArgs(args);
    p.primary = layerFromArgs(args);
    if (const auto second = args.value("--second")) p.second = describeLayer(*second).file;
    OpenProject open(p, args);
    // Another `project new` may have made the file meanwhile: the save itself refuses then.
    saveFrom(p, open, path, SaveMode::KeepExisting);
    std::printf("created %s (%s, %s host, layer %d x %d)\n", path.toUtf8().constData(), p.plugin.c_str(),
                hostName(p.host), p.primary.width, p.primary.height);
    return 0;
}

int projectSet(const QString& path, const Words& assignments, const Args& args) {
    if (assignments.empty()) throw std::runtime_error("project set needs at least one ID=VALUE");
    const FileLock lock(path);
    Project p = loadProject(path);
    const std::optional<int> frame = keyFrameFromArgs(args, p);
    OpenProject open(p, args);
    refhost::ParamStore& store = open.job.params();
    if (frame) open.job.setTime(*frame, kProjectFps);
    for (const auto& a : assignments) {
        const int position = resolveParam(store, a.substr(0, a.find('=')));
        const std::string id = paramDef(static_cast<ParamId>(position)).identifier;
        if (frame) {
            prepareKey(store, position, args.has("--hold"), id);
        } else if (store.animated(position)) {
            throw std::runtime_error(id + " has keys: give --at FRAME, or remove them with project unset " +
                                     id + " --all");
        }
        setAndReport(open.job, a);
    }
    saveFrom(p, open, path);
    return 0;
}

// What the host can see of a press, before and after it.
struct PressView {
    QString clipboard;
    ClipboardSnapshot clipboardBefore;
    QJsonObject valuesBefore;
    QJsonObject valuesAfter;
};

// The effect cannot report that Copy wrote nothing or that Paste found nothing, so the host
// checks what each press should have changed; a press that changed none of it fails.
void copyWroteTheClipboard(const PressView& v) {
    if (!snapshotClipboard(v.clipboard).sameAs(v.clipboardBefore)) return;
    throw std::runtime_error("COPY_PARAMS wrote nothing: the effect could not write its clipboard file " +
                             QFile::encodeName(v.clipboard).toStdString());
}

void pasteChangedValues(const PressView& v) {
    const std::string file = QFile::encodeName(v.clipboard).toStdString();
    if (!v.clipboardBefore.exists)
        throw std::runtime_error("PASTE_PARAMS found nothing: there is no clipboard file " + file +
                                 " (press COPY_PARAMS first)");
    if (v.valuesAfter == v.valuesBefore)
        throw std::runtime_error("PASTE_PARAMS changed nothing: " + file +
                                 " holds no value that differs from the project's");
}

struct PressCheck {
    ParamId button;
    void (*check)(const PressView&);
};

const PressCheck kPressChecks[] = {
    {COPY_PARAMS, copyWroteTheClipboard},
    {PASTE_PARAMS, pasteChangedValues},
};

int projectPress(const QString& path, const Words& buttons, const Args& args) {
    if (buttons.size() != 1) throw std::runtime_error("project press needs exactly one BUTTON_ID");
    if (args.has("--frames") || args.has("--smooth")) return projectPressShot(path, buttons, args);
    const FileLock lock(path);
    Project p = loadProject(path);
    OpenProject open(p, args);
    refhost::EffectInstance& fx = open.job.instance();
    const int position = resolveParam(fx.params(), buttons[0]);
    const PF_ParamDef& def = fx.params().at(position);
    if (def.param_type != PF_Param_BUTTON) throw std::runtime_error(buttons[0] + " is not a button");
    // The tool button is hidden in every host, yet runs whenever the host reports a press.
    if (position == LAUNCH_TOOL) {
        if (layerMoves(p.primary.file) || layerMoves(p.second))
            throw std::runtime_error(
                "LAUNCH_TOOL on a sequence or video presses at frames: give --frames N or A-B");
        // The effect has no way to report a failed exchange; what the host sees is whether any
        // value changed, and a press that changed none did not do what was asked.
        const int changed = pressToolButton(fx, p);
        if (changed == 0)
            throw std::runtime_error(path.toStdString() +
                                     ": the parallax tool changed no value (its reason, if any, is above)");
        std::printf("the parallax tool changed %d value%s\n", changed, changed == 1 ? "" : "s");
    } else if ((def.ui_flags & PF_PUI_INVISIBLE) != 0) {
        throw std::runtime_error(buttons[0] + " is hidden in the " + hostName(p.host) + " host");
    } else {
        PressView view;
        view.clipboard = parameterClipboardFile();
        view.clipboardBefore = snapshotClipboard(view.clipboard);
        view.valuesBefore = captureValues(fx);
        if (fx.userChangedParam(position) != PF_Err_NONE)
            throw std::runtime_error("the effect failed the button press");
        view.valuesAfter = captureValues(fx);
        for (const PressCheck& c : kPressChecks)
            if (position == static_cast<int>(c.button)) c.check(view);
    }
    saveFrom(p, open, path);
    return 0;
}

std::string valueText(const QJsonValue& v) {
    if (v.isBool()) return v.toBool() ? "on" : "off";
    return number(v.toDouble());
}

// "1: 0.5, 4: 2 hold": each key's frame and value, and where the value holds.
std::string keysText(const std::vector<ProjectKey>& keys) {
    std::string text;
    for (const ProjectKey& k : keys)
        text += (text.empty() ? "" : ", ") + std::to_string(k.frame) + ": " + number(k.value) +
                (k.hold ? " hold" : "");
    return text;
}

int projectShow(const QString& path, const Words& rest, const Args& args) {
    if (!rest.empty()) throw std::runtime_error("project show takes only FILE, not '" + rest[0] + "'");
    const Project p = loadProject(path);
    // The global display as the effect itself shows it in its panel.
    const std::string status =
        drawnText(drawStatusArea(locatePlugin(p.plugin, args.value("--plugin-dir")), &p));
    if (args.has("--json")) {
        QJsonObject o{
            {"plugin", QString::fromStdString(p.plugin)},
            {"host", hostName(p.host)},
            {"layer",
             QJsonObject{{"file", p.primary.file}, {"width", p.primary.width}, {"height", p.primary.height}}},
            {"second", p.second},
            {"globalDisplay", QJsonObject{{"statusLine", QString::fromStdString(status)}}},
            {"params", p.values},
            {"keys", keysToJson(p.keys)}};
        std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
        return 0;
    }
    std::printf("plug-in %s, %s host, layer %d x %d%s%s\n", p.plugin.c_str(), hostName(p.host),
                p.primary.width, p.primary.height, p.primary.file.isEmpty() ? "" : ": ",
                p.primary.file.toUtf8().constData());
    if (!p.second.isEmpty()) std::printf("second layer: %s\n", p.second.toUtf8().constData());
    std::printf("status line: %s\n", status.c_str());
    // In list order, so related entries stay together.
    for (const ParamDef& d : paramTable()) {
        const QJsonValue v = p.values.value(QString::fromLatin1(d.identifier));
        if (const auto keys = p.keys.find(d.identifier); keys != p.keys.end()) {
            std::printf("%s keys %s\n", d.identifier, keysText(keys->second).c_str());
        } else if (!v.isUndefined()) {
            std::printf("%s = %s\n", d.identifier, valueText(v).c_str());
        }
    }
    return 0;
}

struct Action {
    const char* name;
    const char* usage;
    const char* help;
    int (*run)(const QString& file, const Words& rest, const Args& args);
};

const Action kActions[] = {
    {"new",
     "new FILE [--host ae|premiere] [--plugin DuovisX|Duovis]\n"
     "                          (--primary IMAGE | --layer WIDTHxHEIGHT) [--second IMAGE]",
     "Creates FILE: the effect applied once to a layer, either pictures (--primary: a still, a\n"
     "numbered sequence such as shot_%04d.png or shot_####.png, or a video; the layer takes its\n"
     "size) or a layer of WIDTHxHEIGHT without pictures (--layer). --second chooses the\n"
     "second-eye layer. An existing FILE is never replaced.\n",
     projectNew},
    {"set", "set FILE ID=VALUE... [--at FRAME [--hold]]",
     "Changes values as a user does in the effect's controls, so linked values follow (a percent\n"
     "shift and its pixel twin). A value the effect keeps different from what was asked (held to\n"
     "the range its twin allows) is reported in a warning with both numbers. The file is locked\n"
     "from reading to saving: a second command on it waits for the first.\n"
     "  --at FRAME   sets a key at FRAME instead (the layer's own frame number: a sequence's file\n"
     "               number, a video's frame from 0); linked values are keyed there too. Between\n"
     "               keys a value moves linearly; before the first and after the last it stays.\n"
     "               Popups and checkboxes cannot vary in time. A value with keys takes --at.\n"
     "  --hold       the key's value holds until the next key instead of moving to it\n",
     projectSet},
    {"unset", "unset FILE ID... (--at FRAME | --all)",
     "Removes the keys of ID (and of its linked twin) at FRAME, or all of them; without keys the\n"
     "value is the last removed key's (with --all, the first key's).\n",
     projectUnset},
    {"press", "press FILE BUTTON_ID | press FILE LAUNCH_TOOL --frames A-B[xN] [--smooth K]",
     "Presses a button (XFORM_RESET_ALL, CROP_RESET, COPY_PARAMS, PASTE_PARAMS,\n"
     "GLOBAL_DISPLAY_SWITCH, ABOUT_BUTTON, ...). COPY_PARAMS and PASTE_PARAMS share one clipboard\n"
     "file, $ProgramData/Corvant/Duovis/TempData (without ProgramData, Corvant/Duovis/TempData in\n"
     "the user's data folder); a copy that wrote nothing there, or a paste that found no file or\n"
     "changed no value, fails. LAUNCH_TOOL runs the parallax tool (DUOVIS_DEPTHSCOPE, else the\n"
     "depthscope next to duovis) on the project's layers and keeps the corrections it sends back;\n"
     "a press that changed no value (no tool, a failed exchange, nothing measured) fails.\n"
     "  --frames A-B[xN]  presses LAUNCH_TOOL at each frame of a shot (every Nth from A to B): the\n"
     "               tool gets that frame's pixels and the values it sends back are keyed there.\n"
     "               The frames it refuses get no key and are named; one line per frame says\n"
     "               what it measured and what was keyed.\n"
     "  --smooth K   then smooths the keyed corrections over K keys (a running median, then a\n"
     "               mean of three), so one bad frame neither jumps nor pulls its neighbours;\n"
     "               the shot's ends stay where they were measured (default 1: as measured)\n",
     projectPress},
    {"show", "show FILE [--json]",
     "Prints the module, host and layers, every value (for an animated one its keys: frame:\n"
     "value, and hold where the value holds) and the global display as the effect's panel shows it (its\n"
     "status line). --json prints the same as one JSON object.\n",
     projectShow},
};

const char* kCommon =
    "A project holds what a host saves of the applied effect: the layers, every parameter\n"
    "value and the effect's sequence data (the global display). Every change is saved whole or\n"
    "not at all. `duovis render --project FILE` renders with the project's values;\n"
    "`duovis project ACTION --help` describes one action.\n"
    "  --plugin-dir DIR   where the plug-ins are (as for render)\n";

void printHelp(const Action* only) {
    bool first = true;
    for (const Action& a : kActions) {
        if (only != nullptr && only != &a) continue;
        std::printf("%s duovis project %s\n", first ? "usage:" : "      ", a.usage);
        first = false;
    }
    std::printf("\n%s", only != nullptr ? only->help : kCommon);
    if (only != nullptr) std::printf("  --plugin-dir DIR   where the plug-ins are (as for render)\n");
}

const Action* findAction(const std::string& name) {
    for (const Action& a : kActions)
        if (name == a.name) return &a;
    return nullptr;
}

}  // namespace

int projectCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help", "--json", "--hold", "--all"};
    spec.valued = {"--host",   "--plugin", "--plugin-dir", "--primary", "--layer",
                   "--second", "--at",     "--frames",     "--smooth"};
    spec.aliases = {{"-h", "--help"}};
    const Args args(words, spec);
    const auto& pos = args.positional();
    const Action* action = pos.empty() ? nullptr : findAction(pos[0]);
    if (args.has("--help")) {
        printHelp(action);
        return 0;
    }
    if (!pos.empty() && action == nullptr) {
        std::string names;
        for (const Action& a : kActions) names += (names.empty() ? "" : ", ") + std::string(a.name);
        throw std::runtime_error("project: unknown action '" + pos[0] + "' (" + names + ")");
    }
    if (pos.size() < 2)
        throw std::runtime_error("project needs an action and a FILE (see duovis project --help)");
    return action->run(QString::fromStdString(pos[1]), Words(pos.begin() + 2, pos.end()), args);
}

}  // namespace duovis::cli
