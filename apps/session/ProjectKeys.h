#pragma once
// The keys of a project file: per parameter identifier a list of {"frame", "value",
// "interpolation": "linear" | "hold"} in frame order.

#include <QJsonObject>
#include <QString>

#include "session/Project.h"

namespace duovis::session {

// The highest frame a key may sit at: at a thousandth-step rate it is still a host time.
constexpr int kLastKeyFrame = 2000000;

QJsonObject keysToJson(const std::map<std::string, std::vector<ProjectKey>>& keys);

// Throws, naming `path`, the parameter and the frame, for keys of an unknown parameter, keys
// that are not in frame order or repeat a frame, and frames or values that are not numbers.
std::map<std::string, std::vector<ProjectKey>> keysFromJson(const QJsonObject& json, const QString& path);

// Refuses keys out of order or on one frame twice; `what` names them in the message.
void checkKeyOrder(const std::vector<ProjectKey>& keys, const std::string& what);

}  // namespace duovis::session
