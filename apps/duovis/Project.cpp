#include "Project.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "AtomicSave.h"
#include "HandleArena.h"
#include "ParamTable.h"

namespace duovis::cli {

namespace {

constexpr const char* kFormat = "duovis-project";
constexpr int kVersion = 1;
constexpr qint64 kMaxProjectBytes = 4 * 1024 * 1024;

[[noreturn]] void refuse(const QString& path, const std::string& why) {
    throw std::runtime_error(path.toStdString() + ": " + why);
}

bool carriesValue(PF_ParamType type) {
    return type == PF_Param_POPUP || type == PF_Param_CHECKBOX || type == PF_Param_FLOAT_SLIDER;
}

// Anything but a whole number is a damaged file, not a version from the future.
void checkVersion(const QJsonValue& v, const QString& path) {
    const double number = v.toDouble(-1);
    if (!v.isDouble() || number != std::floor(number) || std::fabs(number) > 1e9)
        refuse(path, "\"version\" is not an integer");
    if (number != kVersion)
        refuse(path,
               "project version " + std::to_string(static_cast<long>(number)) + " is not supported (1)");
}

ProjectLayer readLayer(const QJsonObject& o, const QString& path) {
    ProjectLayer l;
    l.file = o.value("file").toString();
    l.width = o.value("width").toInt(-1);
    l.height = o.value("height").toInt(-1);
    if (l.width < 0 || l.height < 0 || l.width > 65535 || l.height > 65535)
        refuse(path, "the primary layer's width and height must be 0..65535");
    return l;
}

}  // namespace

const char* hostName(refhost::HostApp app) {
    return app == refhost::HostApp::Premiere ? "premiere" : "ae";
}

Project loadProject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, "cannot read (" + file.errorString().toStdString() + ")");
    if (file.size() > kMaxProjectBytes) refuse(path, "too large to be a duovis project");
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (doc.isNull()) refuse(path, "not a duovis project (" + error.errorString().toStdString() + ")");
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != kFormat)
        refuse(path, "not a duovis project (no \"format\": \"duovis-project\")");
    checkVersion(root.value("version"), path);

    Project p;
    p.plugin = root.value("plugin").toString().toStdString();
    if (p.plugin != "DuovisX" && p.plugin != "Duovis") refuse(path, "unknown plug-in '" + p.plugin + "'");
    const QString host = root.value("host").toString();
    if (host == "ae") {
        p.host = refhost::HostApp::AfterEffects;
    } else if (host == "premiere") {
        p.host = refhost::HostApp::Premiere;
    } else {
        refuse(path, "unknown host '" + host.toStdString() + "'");
    }
    const QJsonObject layers = root.value("layers").toObject();
    if (!layers.value("primary").isObject()) refuse(path, "no primary layer");
    p.primary = readLayer(layers.value("primary").toObject(), path);
    p.second = layers.value("second").toObject().value("file").toString();

    const QJsonArray instances = root.value("instances").toArray();
    if (instances.size() != 1 || !instances[0].isObject())
        refuse(path, "expected exactly one effect instance");
    const QJsonObject instance = instances[0].toObject();
    p.values = instance.value("params").toObject();
    for (auto it = p.values.begin(); it != p.values.end(); ++it) {
        if (!findParam(it.key().toStdString()))
            refuse(path, "unknown parameter '" + it.key().toStdString() + "'");
        if (!it.value().isDouble() && !it.value().isBool())
            refuse(path, "parameter '" + it.key().toStdString() + "' has no number or on/off value");
    }
    const QString data = instance.value("sequenceData").toString();
    p.sequenceData = QByteArray::fromBase64(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!data.isEmpty() && p.sequenceData.isEmpty()) refuse(path, "sequence data is not base64");
    return p;
}

void saveProject(const Project& p, const QString& path) {
    QJsonObject primary{{"file", p.primary.file}, {"width", p.primary.width}, {"height", p.primary.height}};
    QJsonObject layers{{"primary", primary}};
    if (!p.second.isEmpty()) layers["second"] = QJsonObject{{"file", p.second}};
    const QJsonObject instance{{"params", p.values},
                               {"sequenceData", QString::fromLatin1(p.sequenceData.toBase64())}};
    const QJsonObject root{
        {"format", kFormat},        {"version", kVersion}, {"plugin", QString::fromStdString(p.plugin)},
        {"host", hostName(p.host)}, {"layers", layers},    {"instances", QJsonArray{instance}}};
    saveBytesAtomically(QJsonDocument(root).toJson(QJsonDocument::Indented), path);
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
    if (fx.sequenceFlatten() != PF_Err_NONE)
        throw std::runtime_error("the effect could not flatten its sequence data");
    const auto bytes = refhost::handles::contents(fx.sequenceData());
    p.sequenceData = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

}  // namespace duovis::cli
