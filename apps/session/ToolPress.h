#pragma once
// The "Launch Depthscope" press on a project: the host lends the effect the project's layers,
// the effect runs the whole exchange with the tool, and the host keeps what it changed.

#include "EffectInstance.h"
#include "session/Project.h"

namespace duovis::session {

// Presses the tool button of an opened project's instance and returns how many values the
// effect changed. The tool started is DUOVIS_DEPTHSCOPE, or else the depthscope next to this
// program. Throws std::runtime_error when a layer's picture cannot be read or the effect fails.
int pressToolButton(refhost::EffectInstance& fx, const Project& project);
// The same with the layers a host holds (a video's frames, a two-view file's views); `second`
// may be null. The layers are read at the instance's current time.
int pressToolButton(refhost::EffectInstance& fx, refhost::Layer primary, refhost::Layer* second);

}  // namespace duovis::session
