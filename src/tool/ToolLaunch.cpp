#include "ToolLaunch.h"

#include <QProcess>
#include <QStringList>

#include <memory>
#include <new>

#include "SharedParams.h"
#include "ToolChannel.h"

namespace duovis {

namespace {

// Slots 0-5 carry -1 from the launch; the send puts the block length into slot 0.
constexpr int kLaunchMarkedSlots = 6;

// Another exchange holds the sockets: a tool started now would connect to it instead.
bool channelsBusy() {
    for (const char* name : {kToolStreamName, kToolReplyName}) {
        if (toolChannelBusy(QString::fromLatin1(name))) {
            logToolLink(QStringLiteral("another parallax tool exchange is using %1; nothing changes")
                            .arg(QString::fromLatin1(name)));
            return true;
        }
    }
    return false;
}

int launch(PF_InData* in, PF_ParamDef* params[], float framesPerSecond,
           const std::function<void(const QString&)>& tellUser) {
    std::unique_ptr<SharedParams> link(new (std::nothrow) SharedParams(in, params, framesPerSecond));
    if (!link) return TOOL_NOT_STARTED;
    if (!link->block()) return TOOL_NO_BLOCK;
    link->packParams(params);
    for (int s = 0; s < kLaunchMarkedSlots; ++s) link->block()->slot[static_cast<std::size_t>(s)] = -1;
    if (channelsBusy()) return TOOL_NOT_STARTED;
    if (!QProcess::startDetached(toolProgram(), QStringList{QStringLiteral("Plugin")})) {
        if (tellUser) tellUser(missingToolMessage());
        return TOOL_NOT_STARTED;
    }
    (void)link->send(in, params);  // a failed check-out only shortens the stream
    link->applyReply(in, params);
    return TOOL_LAUNCHED;
}

}  // namespace

QString toolProgram() {
    const QString chosen = qEnvironmentVariable("DUOVIS_DEPTHSCOPE");
    if (!chosen.isEmpty()) return chosen;
#ifdef _WIN32
    return QStringLiteral("C:\\Corvant\\Depthscope\\Depthscope.exe");
#else
    return QStringLiteral("/opt/Corvant/Depthscope/Depthscope");
#endif
}

QString missingToolMessage() {
    return QStringLiteral(
        "Corvant Depthscope is not installed.\nPlease check\nhttps://www.corvant.com/depthscope");
}

int launchExternalTool(PF_InData* in, PF_ParamDef* params[], float framesPerSecond,
                       const std::function<void(const QString&)>& tellUser) {
    if (!in) return TOOL_NOT_STARTED;
    try {
        return launch(in, params, framesPerSecond, tellUser);
    } catch (...) {
        // Out of memory inside Qt or the exchange: the press changes nothing.
        return TOOL_NOT_STARTED;
    }
}

}  // namespace duovis
