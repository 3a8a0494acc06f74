#include "media/FrameIO.h"

#include <climits>

#include "media/StillFile.h"
#include "media/VideoReader.h"

namespace duovis::media {

namespace {

class StillReader : public FrameReader {
  public:
    StillReader(std::function<std::string(int)> fileFor, long long maxPixels)
        : fileFor_(std::move(fileFor)), maxPixels_(maxPixels) {}
    std::shared_ptr<const Frame> read(int index) override {
        const std::string file = fileFor_(index);
        std::shared_ptr<const Frame> frame = file == lastFile_ ? last_.lock() : nullptr;
        if (!frame) {
            kept_.reset();  // a file no longer asked for goes before the next is decoded
            frame = std::make_shared<const Frame>(readStill(file, maxPixels_));
            last_ = frame;
            lastFile_ = file;
        }
        // A file that the next frame reads too (a still's one file) is kept; a sequence's
        // frames live only as long as their readers hold them.
        kept_ = index < INT_MAX && fileFor_(index + 1) == file ? frame : nullptr;
        return frame;
    }
    void letGo() override { kept_.reset(); }

  private:
    std::function<std::string(int)> fileFor_;
    long long maxPixels_;
    std::string lastFile_;
    std::weak_ptr<const Frame> last_;
    std::shared_ptr<const Frame> kept_;
};

class VideoFrames : public FrameReader {
  public:
    explicit VideoFrames(std::shared_ptr<VideoReader> video) : video_(std::move(video)) {}
    std::shared_ptr<const Frame> read(int index) override { return video_->read(index); }
    void deliverBytesIn(ByteOrder order) override { video_->deliverBytesIn(order); }
    std::string whyNoFrame(int index) const override { return video_->whyNoFrame(index); }

  private:
    std::shared_ptr<VideoReader> video_;
};

class StillWriter : public FrameWriter {
  public:
    StillWriter(std::function<std::string(int)> fileFor, SaveBytes save, TileSize tiles)
        : fileFor_(std::move(fileFor)), save_(std::move(save)), tiles_(tiles) {}
    void write(int index, const Frame& frame) override {
        const std::string file = fileFor_(index);
        try {
            Frame turned;  // the still encoders read bytes as RGBA
            save_(encodeStill(inByteOrder(frame, ByteOrder::Rgba, turned), file, tiles_), file);
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            throw std::runtime_error(what.rfind(file, 0) == 0 ? what : file + ": " + what);
        }
    }
    void finish() override {}

  private:
    std::function<std::string(int)> fileFor_;
    SaveBytes save_;
    TileSize tiles_;
};

class VideoOut : public FrameWriter {
  public:
    VideoOut(std::string path, const VideoSettings& settings, SaveMode mode)
        : path_(std::move(path)), settings_(settings), mode_(mode) {}
    void write(int, const Frame& frame) override {
        const Picture& pic = frame.views.front();
        if (!video_) {
            // The first frame's depth, which the host kept, chooses the codec's.
            settings_.bits = pic.bits;
            video_ = std::make_unique<VideoWriter>(path_, settings_, pic.width, pic.height, mode_);
        }
        video_->write(pic);
    }
    ByteOrder takesBytesIn() const override { return ByteOrder::Argb; }
    void finish() override {
        if (video_) video_->finish();
    }

  private:
    std::string path_;
    VideoSettings settings_;
    SaveMode mode_;
    std::unique_ptr<VideoWriter> video_;
};

}  // namespace

std::unique_ptr<FrameReader> stillReader(std::function<std::string(int)> fileFor, long long maxPixels) {
    return std::make_unique<StillReader>(std::move(fileFor), maxPixels);
}

std::unique_ptr<FrameReader> videoReader(std::shared_ptr<VideoReader> video) {
    return std::make_unique<VideoFrames>(std::move(video));
}

std::unique_ptr<FrameWriter> stillWriter(std::function<std::string(int)> fileFor, SaveBytes save,
                                         TileSize tiles) {
    return std::make_unique<StillWriter>(std::move(fileFor), std::move(save), tiles);
}

std::unique_ptr<FrameWriter> videoWriter(const std::string& path, const VideoSettings& settings,
                                         SaveMode mode) {
    return std::make_unique<VideoOut>(path, settings, mode);
}

}  // namespace duovis::media
