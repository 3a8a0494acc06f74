// OpenEXR: half and float RGBA, scanline or tiled, one view or two (ExrViews finds them and
// their colour). Values pass untouched: negatives, values above 1 and NaN stay as they are.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputPart.h>
#include <ImfMultiPartInputFile.h>
#include <ImfOutputFile.h>
#include <ImfStandardAttributes.h>
#include <ImfTiledOutputFile.h>
#include <half.h>

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "media/ExrViews.h"
#include "media/PixelLimit.h"
#include "media/StillFormat.h"

namespace duovis::media {

namespace {

constexpr const char* kRgba[] = {"R", "G", "B", "A"};

// Bytes the library writes, kept in memory so the caller saves the file whole or not at all.
class MemoryStream : public Imf::OStream {
  public:
    MemoryStream() : Imf::OStream("memory") {}
    void write(const char c[], int n) override {
        const std::size_t end = pos_ + static_cast<std::size_t>(n);
        if (end > bytes_.size()) bytes_.resize(end);
        std::memcpy(bytes_.data() + pos_, c, static_cast<std::size_t>(n));
        pos_ = end;
    }
    uint64_t tellp() override { return pos_; }
    void seekp(uint64_t pos) override { pos_ = static_cast<std::size_t>(pos); }
    QByteArray bytes() const { return QByteArray(bytes_.data(), static_cast<int>(bytes_.size())); }

  private:
    std::vector<char> bytes_;
    std::size_t pos_ = 0;
};

// A window's sides, in 64 bits: a damaged header can span more than an int holds.
struct Window {
    std::int64_t width, height;
};
Window sidesOf(const Imath::Box2i& box) {
    return {std::int64_t(box.max.x) - box.min.x + 1, std::int64_t(box.max.y) - box.min.y + 1};
}

// The size of the file's picture (its display window), and the largest data window a view
// is decoded into, each refused naming the file when it is no picture's.
StillHeader windowsOf(Imf::MultiPartInputFile& file, const std::vector<ExrView>& views,
                      const std::string& path) {
    const Imf::Header& first = file.header(views.front().part);
    const Window display = sidesOf(first.displayWindow());
    TileSize tiles;
    if (first.hasTileDescription())
        tiles = {static_cast<int>(first.tileDescription().xSize),
                 static_cast<int>(first.tileDescription().ySize)};
    StillHeader h =
        declaredHeader(path, display.width, display.height, static_cast<int>(views.size()), tiles);
    for (const ExrView& v : views) {
        const Window shown = sidesOf(file.header(v.part).displayWindow());
        const Window data = sidesOf(file.header(v.part).dataWindow());
        checkDeclaredSides(path, data.width, data.height, "its data window");
        if (shown.width != display.width || shown.height != display.height)
            throw std::runtime_error(path + ": the " + v.name + " view is " + std::to_string(shown.width) +
                                     " x " + std::to_string(shown.height) + ", the other " +
                                     sizeText(h.width, h.height));
        h.dataWidth = std::max(h.dataWidth, static_cast<int>(data.width));
        h.dataHeight = std::max(h.dataHeight, static_cast<int>(data.height));
    }
    return h;
}

// One view's pixels at the display window's size; `size` is the checked header.
Picture readView(Imf::MultiPartInputFile& file, const ExrView& view, const StillHeader& size) {
    Imf::InputPart part(file, view.part);
    const Imf::Header& h = part.header();
    const Imath::Box2i display = h.displayWindow(), data = h.dataWindow();
    const int dw = data.max.x - data.min.x + 1, dataH = data.max.y - data.min.y + 1;
    Picture pic(size.width, size.height, view.half ? 16 : 32, true);
    std::vector<float> buf(static_cast<std::size_t>(dw) * dataH * 4);
    Imf::FrameBuffer fb;
    const std::size_t xs = 4 * sizeof(float), ys = xs * static_cast<std::size_t>(dw);
    // A grey file names its one channel for red, green and blue; no alpha means opaque.
    for (int c = 0; c < 4; ++c)
        if (!view.channels[c].empty())
            fb.insert(view.channels[c], Imf::Slice::Make(Imf::FLOAT, buf.data() + c, data, xs, ys));
    if (view.channels[3].empty())
        for (std::size_t i = 3; i < buf.size(); i += 4) buf[i] = 1.0f;
    part.setFrameBuffer(fb);
    part.readPixels(data.min.y, data.max.y);
    // Pixels outside the data window are transparent black, as the format defines them.
    for (int y = std::max(data.min.y, display.min.y); y <= std::min(data.max.y, display.max.y); ++y) {
        const int x0 = std::max(data.min.x, display.min.x), x1 = std::min(data.max.x, display.max.x);
        if (x1 < x0) break;
        const float* src =
            buf.data() + (static_cast<std::size_t>(y - data.min.y) * dw + (x0 - data.min.x)) * 4;
        std::copy(src, src + (x1 - x0 + 1) * 4, pic.row(y - display.min.y) + (x0 - display.min.x) * 4);
    }
    return pic;
}

template <typename F>
auto withFile(const std::string& path, F&& f) {
    // The library sizes its tables from the windows as it opens a file; a damaged one is refused
    // there rather than allocated for.
    static const bool limited = [] {
        const auto side = static_cast<int>(kMaxPictureSide);
        Imf::Header::setMaxImageSize(side, side);
        Imf::Header::setMaxTileSize(side, side);
        return true;
    }();
    (void)limited;
    try {
        Imf::MultiPartInputFile file(path.c_str());
        return f(file);
    } catch (const std::runtime_error&) {
        throw;
    } catch (const std::exception& e) {
        throw std::runtime_error(path + ": cannot read OpenEXR file (" + e.what() + ")");
    }
}

bool recognises(const QByteArray& head) {
    return head.size() >= 4 && static_cast<unsigned char>(head[0]) == 0x76 &&
           static_cast<unsigned char>(head[1]) == 0x2f && static_cast<unsigned char>(head[2]) == 0x31 &&
           static_cast<unsigned char>(head[3]) == 0x01;
}

StillHeader header(const std::string& path) {
    return withFile(
        path, [&path](Imf::MultiPartInputFile& file) { return windowsOf(file, exrViews(file, path), path); });
}

Frame decode(const std::string& path) {
    return withFile(path, [&path](Imf::MultiPartInputFile& file) {
        const std::vector<ExrView> views = exrViews(file, path);
        const StillHeader size = windowsOf(file, views, path);
        Frame frame;
        for (const ExrView& v : views) frame.views.push_back(readView(file, v, size));
        return frame;
    });
}

// The pixels of `h` from `fb`, in scanlines or in tiles of `tiles`. The bytes are taken once
// the file is closed: closing writes the table of where each block lies.
QByteArray writeExr(Imf::Header& h, const Imf::FrameBuffer& fb, int height, TileSize tiles) {
    MemoryStream out;
    try {
        if (!tiles.tiled()) {
            Imf::OutputFile file(out, h);
            file.setFrameBuffer(fb);
            file.writePixels(height);
        } else {
            h.setTileDescription(Imf::TileDescription(static_cast<unsigned>(tiles.width),
                                                      static_cast<unsigned>(tiles.height), Imf::ONE_LEVEL));
            Imf::TiledOutputFile file(out, h);
            file.setFrameBuffer(fb);
            file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("cannot encode OpenEXR (") + e.what() + ")");
    }
    return out.bytes();
}

QByteArray encodeScanlines(const Frame& frame, const std::string&) {
    return encodeExr(frame, {});
}

const char* const kExtensions[] = {"exr", nullptr};

}  // namespace

const StillFormat& exrStillFormat() {
    static const StillFormat format{"OpenEXR", recognises, kExtensions, header, decode, encodeScanlines};
    return format;
}

// Float where the source was float, else half, which holds every 8- to 16-bit value closely.
QByteArray encodeExr(const Frame& given, TileSize tiles) {
    if (given.views.empty()) throw std::runtime_error("no picture to encode");
    Frame frame;
    std::vector<Picture> scratch(given.views.size());
    for (std::size_t v = 0; v < given.views.size(); ++v)
        frame.views.push_back(inFloats(given.views[v], scratch[v]));
    const Picture& first = frame.views.front();
    const Imf::PixelType type = first.isFloat && first.bits == 32 ? Imf::FLOAT : Imf::HALF;
    Imf::Header h(first.width, first.height);
    h.compression() = Imf::ZIP_COMPRESSION;
    const char* const prefixes[] = {"", "right."};
    if (frame.stereo()) Imf::addMultiView(h, Imf::StringVector{"left", "right"});
    Imf::FrameBuffer fb;
    // The library writes a channel from a buffer of its own type only.
    std::vector<std::vector<Imath::half>> halves(frame.views.size());
    const std::size_t unit = type == Imf::FLOAT ? sizeof(float) : sizeof(Imath::half);
    const std::size_t xs = 4 * unit, ys = xs * static_cast<std::size_t>(first.width);
    for (std::size_t v = 0; v < frame.views.size(); ++v) {
        const Picture& view = frame.views[v];
        if (view.width != first.width || view.height != first.height)
            throw std::runtime_error("the two views differ in size");
        char* base = reinterpret_cast<char*>(const_cast<float*>(view.rgba.data()));
        if (type == Imf::HALF) {
            halves[v].assign(view.rgba.begin(), view.rgba.end());
            base = reinterpret_cast<char*>(halves[v].data());
        }
        for (int c = 0; c < 4; ++c) {
            const std::string name = std::string(prefixes[v]) + kRgba[c];
            h.channels().insert(name, Imf::Channel(type));
            fb.insert(name, Imf::Slice(type, base + static_cast<std::size_t>(c) * unit, xs, ys));
        }
    }
    // A tile larger than the picture holds nothing more, and its buffer would be as large.
    if (tiles.tiled()) tiles = {std::min(tiles.width, first.width), std::min(tiles.height, first.height)};
    return writeExr(h, fb, first.height, tiles);
}

}  // namespace duovis::media
