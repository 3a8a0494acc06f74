#include "session/PluginLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace duovis::session {

bool isPluginName(const std::string& plugin) {
    return plugin == "DuovisX" || plugin == "Duovis";
}

std::string locatePlugin(const std::string& plugin, const std::optional<std::string>& pluginDir) {
    if (!isPluginName(plugin))
        throw std::runtime_error("--plugin: '" + plugin + "' is not one of DuovisX, Duovis");
    QString dir;
    if (pluginDir) {
        dir = QString::fromStdString(*pluginDir);
    } else if (qEnvironmentVariableIsSet("DUOVIS_PLUGIN_DIR")) {
        dir = qEnvironmentVariable("DUOVIS_PLUGIN_DIR");
    } else {
        dir = QCoreApplication::applicationDirPath() + "/../plugins";
    }
    const QString path = QDir::cleanPath(dir + "/" + QString::fromStdString(plugin) + ".so");
    if (!QFileInfo(path).isFile())
        throw std::runtime_error("plug-in not found: " + path.toStdString() +
                                 " (set --plugin-dir or DUOVIS_PLUGIN_DIR)");
    return path.toStdString();
}

}  // namespace duovis::session
