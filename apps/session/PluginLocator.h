#pragma once
// Where the effect modules live: beside the build tree's bin/ or the installed one's by default,
// or where the user points with --plugin-dir or DUOVIS_PLUGIN_DIR.

#include <optional>
#include <string>

namespace duovis::session {

// The module a front end loads unless told otherwise.
constexpr const char* kDefaultPlugin = "DuovisX";

// "DuovisX" and "Duovis", the two modules built.
bool isPluginName(const std::string& plugin);

// `plugin` is one of them; throws std::runtime_error naming the path it tried.
std::string locatePlugin(const std::string& plugin, const std::optional<std::string>& pluginDir);

}  // namespace duovis::session
