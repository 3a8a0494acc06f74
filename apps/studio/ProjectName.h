#pragma once
// How the studio tells a project from footage by its name, and the name a project is saved
// under so the studio opens it again as a project.

#include <QString>

namespace duovis::studio {

// A name ending in .json (any case) is a project; anything else is footage.
bool isProjectPath(const QString& path);

// The name as given when it is a project's; else the name with ".json" added, so a project
// never lands on footage or under a name the studio would read as footage.
QString projectSaveName(const QString& path);

}  // namespace duovis::studio
