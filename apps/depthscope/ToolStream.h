// The tool's side of the effect's two local sockets: read the block and the layers from the
// first, reply with one block on the second. The effect is the server on both; the tool is
// started just before the effect listens, so it keeps trying to connect until a time limit.
#pragma once

#include "Analysis.h"
#include "core/params/ToolBlock.h"

#include <QString>

#include <functional>
#include <string>

namespace depthscope {

struct StreamOptions {
    QString inName = QStringLiteral("depthscope.pipe");
    QString outName = QStringLiteral("depthscope.pipeout");
    int timeoutMs = 20000;  // each connect, and each wait for more bytes
};

// The time limit from DEPTHSCOPE_TIMEOUT_MS where it is set to a positive number.
StreamOptions streamOptionsFromEnvironment();

enum class ExchangeResult {
    Corrected,  // a reply with corrections went back
    NoChange,   // a reply with mask 0 went back (bad input or nothing to measure)
    NoReply,    // the reply socket could not be reached
};

struct Exchange {
    ExchangeResult result = ExchangeResult::NoReply;
    std::string error;  // what went wrong, for the log line
    Analysis analysis;  // valid when a measurement ran
};

// Reads what the effect sends, runs the measurement and replies. Messages go to `log`.
Exchange runExchange(const StreamOptions& options, const std::function<void(const std::string&)>& log);

}  // namespace depthscope
