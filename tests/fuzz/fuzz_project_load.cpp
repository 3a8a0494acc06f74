// A project file's text: anything either is refused with a message naming the file, or gives a
// project whose every field is one the commands can use.
#include <QByteArray>
#include <QString>

#include <cmath>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "core/params/ParamTable.h"
#include "session/ProjectFormat.h"

using namespace duovis;

// Qt 5.15's JSON parser leaks the earlier value of a key that repeats when that value is an
// object or array ({"a": {}, "a": 1}); that is Qt's, not ours. Qt is built without frame
// pointers, so its leaks show no caller and are recognised by the library they come from;
// this code allocates nothing of its own outside Qt's values.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<int>(size));
    session::Project p;
    try {
        p = session::parseProject(json, QStringLiteral("fuzz.json"));
    } catch (const std::runtime_error& e) {
        fuzz::require(std::string(e.what()).rfind("fuzz.json: ", 0) == 0, "a refusal names the file");
        return 0;
    }
    fuzz::require(p.plugin == "DuovisX" || p.plugin == "Duovis", "a known plug-in");
    fuzz::require(p.primary.width >= 0 && p.primary.width <= 65535 && p.primary.height >= 0 &&
                      p.primary.height <= 65535,
                  "a layer size the host can make");
    for (auto it = p.values.begin(); it != p.values.end(); ++it) {
        fuzz::require(findParam(it.key().toStdString()).has_value(), "every value names a parameter");
        fuzz::require(it.value().isDouble() || it.value().isBool(), "every value is a number or on/off");
    }
    for (const auto& [id, keys] : p.keys) {
        fuzz::require(findParam(id).has_value(), "every key names a parameter");
        fuzz::require(!keys.empty(), "a parameter listed with keys has some");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            fuzz::require(keys[i].frame >= 0 && std::isfinite(keys[i].value),
                          "a key sits at a frame with a number");
            fuzz::require(i == 0 || keys[i].frame > keys[i - 1].frame, "keys in frame order, none twice");
        }
    }
    return 0;
}
