#include "RenderPipeline.h"

#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "media/BoundedQueue.h"
#include "session/ImageWorld.h"

namespace duovis::cli {

namespace {

// One frame waiting between stages keeps all three busy; a second only held more frames
// (a 1080p float sequence peaked over 100 MiB higher) without rendering faster.
constexpr std::size_t kQueueFrames = 1;

struct RenderedFrame {
    int frame = 0;
    std::vector<refhost::World> views;
    int bits = 8;
    bool isFloat = false;
};

// The first failure of any stage, kept for the calling thread.
class FirstError {
  public:
    void keep(std::exception_ptr e) {
        std::lock_guard<std::mutex> lock(m_);
        if (!error_) error_ = std::move(e);
    }
    void rethrow() {
        std::lock_guard<std::mutex> lock(m_);
        if (error_) std::rethrow_exception(error_);
    }

  private:
    std::mutex m_;
    std::exception_ptr error_;
};

}  // namespace

void renderOverlapped(const session::FrameRange& frames, media::FrameReader& reader,
                      refhost::PixelFormat format, const RenderStep& render, media::FrameWriter& writer,
                      const std::function<void()>& frameDone) {
    media::BoundedQueue<SourceFrame> decoded(kQueueFrames);
    media::BoundedQueue<RenderedFrame> rendered(kQueueFrames);
    FirstError error;
    const auto stopAll = [&](std::exception_ptr e) {
        error.keep(std::move(e));
        decoded.close();
        rendered.close();
    };

    reader.deliverBytesIn(session::bytesFor(format));
    std::thread decoder([&] {
        try {
            for (int k = 0; k < frames.count(); ++k) {
                const int frame = frames.at(k);
                SourceFrame src;
                src.frame = frame;
                std::shared_ptr<const media::Frame> file = reader.read(frame);
                if (!file) {
                    const std::string why = frames.toTheEnd ? "" : reader.whyNoFrame(frame);
                    if (!why.empty()) throw std::runtime_error(why);
                    break;
                }
                src.bits = file->views.front().bits;
                src.isFloat = file->views.front().isFloat;
                for (const media::Picture& view : file->views)
                    src.views.push_back(session::worldFor(view, format));
                file.reset();  // the decoded picture is not kept while the queue is full
                if (!decoded.push(std::move(src))) return;
            }
            reader.letGo();
        } catch (...) {
            stopAll(std::current_exception());
        }
        decoded.close();
    });
    std::thread encoder([&] {
        try {
            while (auto out = rendered.pop()) {
                // Each world goes as its picture is made, before the encoder's buffers.
                media::Frame frame;
                for (refhost::World& view : out->views)
                    frame.views.push_back(
                        session::pictureFor(std::move(view), out->bits, out->isFloat, writer.takesBytesIn()));
                writer.write(out->frame, frame);
            }
        } catch (...) {
            stopAll(std::current_exception());
        }
    });

    try {
        while (auto src = decoded.pop()) {
            RenderedFrame out{src->frame, render(*src), src->bits, src->isFloat};
            if (!rendered.push(std::move(out))) break;
            frameDone();
        }
    } catch (...) {
        stopAll(std::current_exception());
    }
    rendered.close();
    decoder.join();
    encoder.join();
    error.rethrow();
    writer.finish();
}

}  // namespace duovis::cli
