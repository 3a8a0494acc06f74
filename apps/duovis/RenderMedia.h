#pragma once
// How footage meets the render: the video settings the flags and the input give, and the
// writer the output's name chooses.

#include <QString>
#include <memory>
#include <string>

#include "Args.h"
#include "media/AtomicSave.h"
#include "media/FrameIO.h"
#include "media/VideoReader.h"
#include "media/VideoWriter.h"
#include "session/RenderInputs.h"

namespace duovis::cli {

// Whether the output name is a video container (or "-", y4m on standard output).
bool writesVideo(const std::string& output);

// --fps, checked against the rates the host and the encoders take.
double fpsFromArgs(const Args& args);

// What the words chose of an output video: the encoder's settings (--codec, --crf, --bitrate,
// --preset, --pipe), and whether a video primary's own rate and audio are kept.
struct VideoChoices {
    media::VideoSettings encoder;
    bool sourceRate = true;  // no --fps
    bool audio = true;       // no --no-audio
};
VideoChoices videoChoicesFromArgs(const Args& args);

// The rate frames are timed at: a video primary's own unless --fps was given, else `fps`.
double timelineRate(const VideoChoices& choices, const session::InputLayer& primary, double fps);

// The encoder's settings with the rate, time base, rotation and audio of a video primary (its
// audio timed from `firstFrame` on), or `fps` for other inputs. The codec's ranges are checked
// when the writer opens.
media::VideoSettings videoSettings(const VideoChoices& choices, const session::InputLayer& primary,
                                   double fps, int firstFrame);

// --pipe and --pipe-size: how "-" reads and writes frames, at `fps` for raw input.
media::PipeInput pipeInput(const Args& args, double fps);

// A video writer, its settings and its container checked before anything is rendered, or one
// that saves each frame's file as the name or pattern `outName` says.
// `mode` says whether a frame's file may replace one that exists; `tiles` lays out OpenEXR files.
// `records`, where given, is the folder where each frame's file is recorded as finished once saved.
std::unique_ptr<media::FrameWriter> openWriter(const std::string& output, const QString& outName,
                                               const media::VideoSettings& settings, SaveMode mode,
                                               media::TileSize tiles = {}, const QString& records = {});

}  // namespace duovis::cli
