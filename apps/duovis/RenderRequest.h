#pragma once
// What `duovis render` was asked to do, read from its words once: plain values, checked for
// what the words alone can say; the files themselves are opened when the request runs.

#include <QtGlobal>
#include <optional>
#include <string>
#include <vector>

#include "HostOptions.h"
#include "RenderMedia.h"
#include "media/AtomicSave.h"
#include "session/FrameSequence.h"
#include "session/Project.h"

namespace duovis::cli {

extern const char* const kRenderHelp;

struct RenderRequest {
    bool help = false;
    // A project's values, applied before -p; its layers, module and host are already below.
    std::optional<session::Project> project;
    std::string primary;  // the bytes as typed (names need not be UTF-8); "-" reads standard input
    std::optional<std::string> second;
    std::string output;                         // the bytes as typed; "-" writes standard output
    std::optional<session::FrameRange> frames;  // --frame or --frames; else the primary's own
    double fps = 24;
    media::PipeInput pipe;  // how "-" reads frames, where the primary is "-"
    VideoChoices video;
    std::optional<std::string> exrTiles;
    bool viewsOut = false;      // --views
    bool missingBlack = false;  // --missing black
    bool allowDamage = false;
    bool quiet = false;
    qint64 maxPixels = 0;
    SaveMode saveMode = SaveMode::Replace;
    refhost::HostApp host = refhost::HostApp::AfterEffects;
    Engine engine = Engine::Cpu;
    std::string plugin;
    std::optional<std::string> pluginDir;
    int threads = 0;
    int downsample = 1;
    std::vector<std::string> assignments;  // -p, in order, after the project's values
    // Farm tasks: --records keeps a record of each finished output file; --from-frames
    // encodes frames rendered before (with these options) instead of rendering them.
    std::optional<std::string> records;
    std::optional<std::string> fromFrames;
};

// Throws std::runtime_error naming the option or the word at fault.
RenderRequest parseRenderRequest(const std::vector<std::string>& words);

}  // namespace duovis::cli
