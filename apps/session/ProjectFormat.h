#pragma once
// The project file's format: its marker and version, and the check of its JSON text. Kept apart
// from the file handling so the same check runs on bytes that never touched a disk.

#include <QByteArray>
#include <QString>

#include <string>

#include "session/Project.h"

namespace duovis::session {

constexpr const char* kProjectFormat = "duovis-project";
// Version 2 added keys and moving layers; a project without either is still written as
// version 1, so older builds go on opening it.
constexpr int kProjectVersion = 2;
constexpr int kOldestProjectVersion = 1;

// Throws std::runtime_error with "<path>: <why>".
[[noreturn]] void refuseProject(const QString& path, const std::string& why);

// Checks the JSON text of a project file; throws, naming `path` and the fault, for anything
// that is not a well-formed project of ours.
Project parseProject(const QByteArray& json, const QString& path);

}  // namespace duovis::session
