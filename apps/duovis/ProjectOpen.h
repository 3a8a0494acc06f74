#pragma once
// A project's effect set up and opened as a host opens a saved project, and the actions of
// `duovis project` that live outside ProjectCommand.cpp.

#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "Args.h"
#include "media/OutputFile.h"
#include "session/Project.h"
#include "session/RenderJob.h"

namespace duovis::cli {

// The rate the project commands keep time at. Keys are stored by frame, so any rate lands
// them on the same frames; the render places them at its own.
constexpr double kProjectFps = 24.0;

struct OpenProject {
    OpenProject(const session::Project& p, const Args& args);
    session::RenderJob job;
};

// Takes the instance's values, keys and sequence data into `p` and saves it.
void saveFrom(session::Project& p, OpenProject& open, const QString& path, SaveMode mode = SaveMode::Replace);

// Sets one value as the user does and warns when the effect kept another number than asked.
void setAndReport(session::RenderJob& job, const std::string& assignment);

// --at FRAME, checked against the project's layer; none without --at.
std::optional<int> keyFrameFromArgs(const Args& args, const session::Project& p);

using Words = std::vector<std::string>;
int projectUnset(const QString& path, const Words& rest, const Args& args);
// `press FILE LAUNCH_TOOL --frames A-B[xN] [--smooth K]`.
int projectPressShot(const QString& path, const Words& buttons, const Args& args);

}  // namespace duovis::cli
