#pragma once
// The one reader and the one writer the render loop uses, whatever the files are: numbered
// or single still files of any family, or a video. Adding a format touches its family's file
// only.

#include <QByteArray>
#include <functional>
#include <memory>
#include <string>

#include "media/Picture.h"
#include "media/StillFormat.h"
#include "media/VideoReader.h"
#include "media/VideoWriter.h"

namespace duovis::media {

class FrameReader {
  public:
    virtual ~FrameReader() = default;
    // Frame `index`; null where the input has none (past a video's end). Throws naming the
    // file when one is there and cannot be read.
    virtual std::shared_ptr<const Frame> read(int index) = 0;
    // Drops any frame kept for reads to come, once its reader has read all it will for now.
    virtual void letGo() {}
    // The order wanted of 8-bit pictures' bytes; a reader that decodes into that order itself
    // (video) does, others give RGBA.
    virtual void deliverBytesIn(ByteOrder) {}
    // Why read(index) came back null, naming the input and what it has; empty where that
    // end was allowed and already told.
    virtual std::string whyNoFrame(int index) const {
        return "frame " + std::to_string(index) + " is not there";
    }
};

class FrameWriter {
  public:
    virtual ~FrameWriter() = default;
    virtual void write(int index, const Frame& frame) = 0;
    // The order of 8-bit bytes the writer converts from without reordering them first; it
    // takes either.
    virtual ByteOrder takesBytesIn() const { return ByteOrder::Rgba; }
    // Completes the output; until then a video is not in place.
    virtual void finish() = 0;
};

// The file of each frame (one name for a still); a file read for one frame is kept for the
// next that reads the same file, until letGo().
std::unique_ptr<FrameReader> stillReader(std::function<std::string(int)> fileFor, long long maxPixels);
// Frames of a video already open (standard input can be opened once only).
std::unique_ptr<FrameReader> videoReader(std::shared_ptr<VideoReader> video);

// Each frame encoded by its name's extension (OpenEXR in `tiles`, where tiled) and handed to
// `save` with that name.
using SaveBytes = std::function<void(const QByteArray& bytes, const std::string& path)>;
std::unique_ptr<FrameWriter> stillWriter(std::function<std::string(int)> fileFor, SaveBytes save,
                                         TileSize tiles = {});
// A video opened at the first frame, which sets its size.
std::unique_ptr<FrameWriter> videoWriter(const std::string& path, const VideoSettings& settings,
                                         SaveMode mode = SaveMode::Replace);

}  // namespace duovis::media
