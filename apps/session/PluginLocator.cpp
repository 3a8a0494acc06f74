#include "session/PluginLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace duovis::session {

bool isPluginName(const std::string& plugin) {
    return plugin == "DuovisX" || plugin == "Duovis";
}

namespace {

// Beside the build tree's bin/ (plugins/), else where an installation puts them.
QString defaultModuleDir() {
    const QString bin = QCoreApplication::applicationDirPath();
    const QString built = QDir::cleanPath(bin + "/../plugins");
#ifdef DUOVIS_INSTALLED_MODULE_DIR
    if (!QFileInfo(built).isDir()) return QDir::cleanPath(bin + "/" DUOVIS_INSTALLED_MODULE_DIR);
#endif
    return built;
}

}  // namespace

std::string locatePlugin(const std::string& plugin, const std::optional<std::string>& pluginDir) {
    if (!isPluginName(plugin))
        throw std::runtime_error("--plugin: '" + plugin + "' is not one of DuovisX, Duovis");
    QString dir;
    if (pluginDir) {
        dir = QString::fromStdString(*pluginDir);
    } else if (qEnvironmentVariableIsSet("DUOVIS_PLUGIN_DIR")) {
        dir = qEnvironmentVariable("DUOVIS_PLUGIN_DIR");
    } else {
        dir = defaultModuleDir();
    }
    const QString path = QDir::cleanPath(dir + "/" + QString::fromStdString(plugin) + ".so");
    if (!QFileInfo(path).isFile())
        throw std::runtime_error("plug-in not found: " + path.toStdString() +
                                 " (set --plugin-dir or DUOVIS_PLUGIN_DIR)");
    return path.toStdString();
}

}  // namespace duovis::session
