#include "session/ProjectFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <stdexcept>

#include "core/params/ParamTable.h"
#include "session/HostSetup.h"
#include "session/PluginLocator.h"
#include "session/ProjectKeys.h"

namespace duovis::session {

namespace {

ProjectLayer readLayer(const QJsonObject& o, const QString& path) {
    ProjectLayer l;
    l.file = o.value("file").toString();
    l.width = o.value("width").toInt(-1);
    l.height = o.value("height").toInt(-1);
    if (l.width < 0 || l.height < 0 || l.width > 65535 || l.height > 65535)
        refuseProject(path, "the primary layer's width and height must be 0..65535");
    return l;
}

// Anything but a whole number is a damaged file, not a version from the future.
int checkVersion(const QJsonValue& v, const QString& path) {
    const double number = v.toDouble(-1);
    if (!v.isDouble() || number != std::floor(number) || std::fabs(number) > 1e9)
        refuseProject(path, "\"version\" is not an integer");
    if (number < kOldestProjectVersion || number > kProjectVersion)
        refuseProject(path, "project version " + std::to_string(static_cast<long>(number)) +
                                " is not supported (" + std::to_string(kOldestProjectVersion) + " to " +
                                std::to_string(kProjectVersion) + ")");
    return static_cast<int>(number);
}

// A field every project has: its absence is named, not read as an empty name.
std::string requiredText(const QJsonObject& root, const char* key, const QString& path) {
    const QJsonValue v = root.value(key);
    if (!v.isString()) refuseProject(path, std::string("\"") + key + "\" is missing or not text");
    return v.toString().toStdString();
}

}  // namespace

void refuseProject(const QString& path, const std::string& why) {
    throw std::runtime_error(path.toStdString() + ": " + why);
}

Project parseProject(const QByteArray& json, const QString& path) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull()) refuseProject(path, "not a duovis project (" + error.errorString().toStdString() + ")");
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != kProjectFormat)
        refuseProject(path, "not a duovis project (no \"format\": \"duovis-project\")");
    const int version = checkVersion(root.value("version"), path);

    Project p;
    p.plugin = requiredText(root, "plugin", path);
    if (!isPluginName(p.plugin))
        refuseProject(path, "unknown plug-in '" + p.plugin + "' (DuovisX or Duovis)");
    const std::string host = requiredText(root, "host", path);
    const auto app = hostAppNamed(host);
    if (!app) refuseProject(path, "unknown host '" + host + "' (ae or premiere)");
    p.host = *app;
    const QJsonObject layers = root.value("layers").toObject();
    if (!layers.value("primary").isObject()) refuseProject(path, "no primary layer");
    p.primary = readLayer(layers.value("primary").toObject(), path);
    p.second = layers.value("second").toObject().value("file").toString();

    const QJsonArray instances = root.value("instances").toArray();
    if (instances.size() != 1 || !instances[0].isObject())
        refuseProject(path, "expected exactly one effect instance");
    const QJsonObject instance = instances[0].toObject();
    p.values = instance.value("params").toObject();
    for (auto it = p.values.begin(); it != p.values.end(); ++it) {
        if (!findParam(it.key().toStdString()))
            refuseProject(path, "unknown parameter '" + it.key().toStdString() + "'");
        if (!it.value().isDouble() && !it.value().isBool())
            refuseProject(path, "parameter '" + it.key().toStdString() + "' has no number or on/off value");
    }
    // Keys came with version 2; an older file has none to read.
    if (version >= 2) p.keys = keysFromJson(instance.value("keys").toObject(), path);
    const QString data = instance.value("sequenceData").toString();
    p.sequenceData = QByteArray::fromBase64(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!data.isEmpty() && p.sequenceData.isEmpty()) refuseProject(path, "sequence data is not base64");
    return p;
}

}  // namespace duovis::session
