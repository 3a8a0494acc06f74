#pragma once
// What the effect draws in the custom area of "Global Display Settings" in the editing host's
// effect panel: the global display status line. This is how a host learns the global display
// the effect works with, without reading the effect's private records.

#include <string>

#include "DrawbotHost.h"
#include "session/Project.h"

namespace duovis::session {

// A fresh editing-host instance of the module, opened with `project`'s values and saved
// global display when one is given, draws the area. Text needs a QGuiApplication. Throws
// std::runtime_error when set-up or the draw event fails or the effect draws no such area.
refhost::DrawOutcome drawStatusArea(const std::string& modulePath, const Project* project);
// The same area of an instance already set up in the editing host, as its panel repaints it.
refhost::DrawOutcome drawStatusArea(refhost::EffectInstance& fx);

// The drawn texts, in drawing order, joined by "; ".
std::string drawnText(const refhost::DrawOutcome& drawn);

}  // namespace duovis::session
