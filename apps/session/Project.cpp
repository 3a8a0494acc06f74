#include "session/Project.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "HandleArena.h"
#include "core/params/ParamTable.h"
#include "media/AtomicSave.h"
#include "media/SameFile.h"
#include "session/HostKeys.h"
#include "session/HostSetup.h"
#include "session/ProjectFormat.h"
#include "session/ProjectKeys.h"
#include "session/ProjectLayers.h"

namespace duovis::session {

namespace {

constexpr const char* kFormat = kProjectFormat;
constexpr qint64 kMaxProjectBytes = 4 * 1024 * 1024;

[[noreturn]] void refuse(const QString& path, const std::string& why) {
    refuseProject(path, why);
}

bool carriesValue(PF_ParamType type) {
    return type == PF_Param_POPUP || type == PF_Param_CHECKBOX || type == PF_Param_FLOAT_SLIDER;
}

}  // namespace

int projectVersionFor(const Project& p) {
    return p.keys.empty() && !layerMoves(p.primary.file) && !layerMoves(p.second) ? kOldestProjectVersion
                                                                                  : kProjectVersion;
}

Project loadProject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, "cannot read (" + file.errorString().toStdString() + ")");
    if (file.size() > kMaxProjectBytes) refuse(path, "too large to be a duovis project");
    return parseProject(file.readAll(), path);
}

std::vector<std::string> layerFiles(const Project& p) {
    std::vector<std::string> files;
    for (const QString& file : {p.primary.file, p.second})
        if (!file.isEmpty()) files.push_back(QFile::encodeName(file).toStdString());
    return files;
}

void saveProject(const Project& p, const QString& path, SaveMode mode) {
    // A project saved over its own layer's picture would lose the picture.
    InputFiles(layerFiles(p)).refuseAsOutput(QFile::encodeName(path).toStdString());
    QJsonObject primary{{"file", p.primary.file}, {"width", p.primary.width}, {"height", p.primary.height}};
    QJsonObject layers{{"primary", primary}};
    if (!p.second.isEmpty()) layers["second"] = QJsonObject{{"file", p.second}};
    QJsonObject instance{{"params", p.values},
                         {"sequenceData", QString::fromLatin1(p.sequenceData.toBase64())}};
    if (!p.keys.empty()) instance["keys"] = keysToJson(p.keys);
    const QJsonObject root{{"format", kFormat},
                           {"version", projectVersionFor(p)},
                           {"plugin", QString::fromStdString(p.plugin)},
                           {"host", hostName(p.host)},
                           {"layers", layers},
                           {"instances", QJsonArray{instance}}};
    saveBytesAtomically(QJsonDocument(root).toJson(QJsonDocument::Indented), path, mode);
}

void applyProject(const Project& p, refhost::EffectInstance& fx) {
    refhost::ParamStore& store = fx.params();
    for (auto it = p.values.begin(); it != p.values.end(); ++it) {
        const std::string id = it.key().toStdString();
        const int position = static_cast<int>(*findParam(id));
        if (position >= store.count()) continue;
        const PF_ParamDef& def = store.at(position);
        try {
            switch (def.param_type) {
                case PF_Param_POPUP:
                    store.setPopup(position, static_cast<A_long>(it.value().toDouble()));
                    break;
                case PF_Param_CHECKBOX:
                    store.setCheckbox(position,
                                      it.value().isBool() ? it.value().toBool() : it.value().toDouble() != 0);
                    break;
                case PF_Param_FLOAT_SLIDER:
                    store.setFloat(position, it.value().toDouble());
                    break;
                default:
                    break;  // the entry has another form in this host: nothing to restore
            }
        } catch (const std::exception& e) {
            throw std::runtime_error("project value " + id + ": " + e.what());
        }
    }
    try {
        applyKeys(p.keys, fx);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("project ") + e.what());
    }
    if (!p.sequenceData.isEmpty()) {
        fx.loadSequenceData(std::vector<std::uint8_t>(p.sequenceData.begin(), p.sequenceData.end()));
        if (fx.sequenceResetup() != PF_Err_NONE)
            throw std::runtime_error("the effect refused the saved sequence data");
    }
}

QJsonObject captureValues(const refhost::EffectInstance& fx) {
    const refhost::ParamStore& store = fx.params();
    QJsonObject values;
    for (int i = 1; i < store.count() && i < PARAM_COUNT; ++i) {
        const PF_ParamDef& def = store.at(i);
        if (!carriesValue(def.param_type)) continue;
        const QString id = QString::fromLatin1(paramDef(static_cast<ParamId>(i)).identifier);
        if (def.param_type == PF_Param_POPUP) values[id] = static_cast<int>(store.popup(i));
        if (def.param_type == PF_Param_CHECKBOX) values[id] = store.checkbox(i);
        if (def.param_type == PF_Param_FLOAT_SLIDER) values[id] = store.floatValue(i);
    }
    return values;
}

void captureProject(Project& p, refhost::EffectInstance& fx) {
    p.values = captureValues(fx);
    p.keys = captureKeys(fx);
    if (fx.sequenceFlatten() != PF_Err_NONE)
        throw std::runtime_error("the effect could not flatten its sequence data");
    const auto bytes = refhost::handles::contents(fx.sequenceData());
    p.sequenceData = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

}  // namespace duovis::session
