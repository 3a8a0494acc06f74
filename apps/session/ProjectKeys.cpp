#include "session/ProjectKeys.h"

#include <QJsonArray>

#include <cmath>
#include <stdexcept>

#include "core/params/ParamTable.h"
#include "session/ProjectFormat.h"

namespace duovis::session {

namespace {

ProjectKey readKey(const QJsonValue& v, const std::string& what, const QString& path) {
    const QJsonObject o = v.toObject();
    const QJsonValue frame = o.value("frame");
    const double f = frame.toDouble(-1);
    if (!v.isObject() || !frame.isDouble() || f != std::floor(f) || f < 0 || f > kLastKeyFrame)
        refuseProject(path, what + ": a key's \"frame\" must be a whole number from 0 to " +
                                std::to_string(kLastKeyFrame));
    const QJsonValue value = o.value("value");
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        refuseProject(path,
                      what + " at frame " + std::to_string(static_cast<int>(f)) + ": no number \"value\"");
    const QJsonValue given = o.value("interpolation");
    const QString interpolation = given.isUndefined() ? QStringLiteral("linear") : given.toString();
    if (interpolation != "linear" && interpolation != "hold")
        refuseProject(path, what + " at frame " + std::to_string(static_cast<int>(f)) +
                                ": \"interpolation\" must be \"linear\" or \"hold\"");
    return ProjectKey{static_cast<int>(f), value.toDouble(), interpolation == "hold"};
}

}  // namespace

void checkKeyOrder(const std::vector<ProjectKey>& keys, const std::string& what) {
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].frame == keys[i - 1].frame)
            throw std::runtime_error(what + ": frame " + std::to_string(keys[i].frame) + " is keyed twice");
        if (keys[i].frame < keys[i - 1].frame)
            throw std::runtime_error(what + ": the key at frame " + std::to_string(keys[i].frame) +
                                     " comes after the one at frame " + std::to_string(keys[i - 1].frame) +
                                     " (keys must be in frame order)");
    }
}

QJsonObject keysToJson(const std::map<std::string, std::vector<ProjectKey>>& keys) {
    QJsonObject json;
    for (const auto& [id, list] : keys) {
        QJsonArray array;
        for (const ProjectKey& k : list)
            array.append(QJsonObject{
                {"frame", k.frame}, {"value", k.value}, {"interpolation", k.hold ? "hold" : "linear"}});
        json[QString::fromStdString(id)] = array;
    }
    return json;
}

std::map<std::string, std::vector<ProjectKey>> keysFromJson(const QJsonObject& json, const QString& path) {
    std::map<std::string, std::vector<ProjectKey>> keys;
    for (auto it = json.begin(); it != json.end(); ++it) {
        const std::string name = it.key().toStdString();
        const auto id = findParam(name);
        if (!id) refuseProject(path, "keys of unknown parameter '" + name + "'");
        const std::string what = std::string("keys of ") + paramDef(*id).identifier;
        if (!it.value().isArray()) refuseProject(path, what + ": not a list");
        std::vector<ProjectKey>& list = keys[paramDef(*id).identifier];
        if (!list.empty()) refuseProject(path, what + ": listed twice");
        for (const QJsonValue& v : it.value().toArray()) list.push_back(readKey(v, what, path));
        try {
            checkKeyOrder(list, what);
        } catch (const std::runtime_error& e) {
            refuseProject(path, e.what());
        }
        if (list.empty()) keys.erase(paramDef(*id).identifier);
    }
    return keys;
}

}  // namespace duovis::session
