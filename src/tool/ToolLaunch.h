// The "Launch Depthscope" press: start the parallax tool as a process of its own, then run one
// exchange with it so its corrections land in the parameters.
#pragma once

#include <QString>

#include <functional>

#include "AE_Effect.h"

namespace duovis {

// What the launch returns.
enum ToolLaunchResult : int {
    TOOL_LAUNCHED = 1,      // the tool was started and the exchange ran
    TOOL_NOT_STARTED = -1,  // no exchange object, the tool would not start, or its sockets are busy
    TOOL_NO_BLOCK = -2,     // the exchange object has no block
};

// The program started, with the single argument "Plugin". DUOVIS_DEPTHSCOPE, when set and not
// empty, names another one.
QString toolProgram();

// The text shown when the tool cannot be started.
QString missingToolMessage();

// Starts the tool and runs the exchange at `framesPerSecond`. `tellUser` shows the missing-tool
// message; the launch waits until it returns. Nothing escapes: failures are results.
int launchExternalTool(PF_InData* in, PF_ParamDef* params[], float framesPerSecond,
                       const std::function<void(const QString&)>& tellUser);

}  // namespace duovis
