// TIFF through libtiff: 8- and 16-bit integer and 32-bit float RGB(A) and grey, written as
// RGB, or RGBA where alpha is to be kept, at the depth the source had.
#include <QByteArray>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "media/StillFormat.h"
#include "media/TiffFile.h"

namespace duovis::media {

namespace {

bool recognises(const QByteArray& head) {
    return head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4));
}

// The size as seen: a file turned a quarter keeps its rows as columns.
StillHeader header(const std::string& path) {
    const tiff::TiffPtr t = tiff::openTiff(path);
    const auto w = tiff::field<std::uint32_t>(t.get(), TIFFTAG_IMAGEWIDTH, 0);
    const auto h = tiff::field<std::uint32_t>(t.get(), TIFFTAG_IMAGELENGTH, 0);
    const bool swap = tiff::swapsSides(tiff::orientationOf(t.get()));
    return declaredHeader(path, swap ? h : w, swap ? w : h);
}

Frame decode(const std::string& path) {
    const tiff::TiffPtr t = tiff::openTiff(path);
    return Frame::of(tiff::readPicture(t.get(), path));
}

// A growable buffer that libtiff writes into, as it would a file.
struct Sink {
    std::vector<char> bytes;
    toff_t pos = 0;
};
tsize_t sinkWrite(thandle_t h, tdata_t data, tsize_t n) {
    Sink& s = *static_cast<Sink*>(h);
    if (s.pos + static_cast<toff_t>(n) > s.bytes.size()) s.bytes.resize(s.pos + static_cast<toff_t>(n));
    std::memcpy(s.bytes.data() + s.pos, data, static_cast<std::size_t>(n));
    s.pos += static_cast<toff_t>(n);
    return n;
}
tsize_t sinkRead(thandle_t h, tdata_t data, tsize_t n) {
    Sink& s = *static_cast<Sink*>(h);
    const auto avail = s.pos < s.bytes.size() ? static_cast<tsize_t>(s.bytes.size() - s.pos) : 0;
    const tsize_t got = std::min(n, avail);
    std::memcpy(data, s.bytes.data() + s.pos, static_cast<std::size_t>(got));
    s.pos += static_cast<toff_t>(got);
    return got;
}
toff_t sinkSeek(thandle_t h, toff_t off, int whence) {
    Sink& s = *static_cast<Sink*>(h);
    s.pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? s.pos + off : s.bytes.size() + off;
    return s.pos;
}
int sinkClose(thandle_t) {
    return 0;
}
toff_t sinkSize(thandle_t h) {
    return static_cast<Sink*>(h)->bytes.size();
}
int noMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
void noUnmap(thandle_t, tdata_t, toff_t) {}

QByteArray encode(const Frame& frame, const std::string&) {
    Picture scratch;
    const Picture& pic = inFloats(frame.views.front(), scratch);
    const bool isFloat = pic.isFloat && pic.bits == 32;
    const int bits = isFloat ? 32 : pic.bits > 8 ? 16 : 8;
    const int spp = pic.opaque() ? 3 : 4;
    Sink sink;
    tiff::keepMessages();
    tiff::TiffPtr t(TIFFClientOpen("memory", "w", &sink, sinkRead, sinkWrite, sinkSeek, sinkClose, sinkSize,
                                   noMap, noUnmap));
    if (!t) throw std::runtime_error("cannot encode TIFF (" + tiff::lastError() + ")");
    TIFFSetField(t.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(pic.width));
    TIFFSetField(t.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(pic.height));
    TIFFSetField(t.get(), TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t.get(), TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t.get(), TIFFTAG_SAMPLEFORMAT, isFloat ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(t.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t.get(), TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t.get(), 0));
    if (spp == 4) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t.get(), TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<unsigned char> line(static_cast<std::size_t>(pic.width) * spp * (bits / 8));
    for (int y = 0; y < pic.height; ++y) {
        const float* in = pic.row(y);
        for (int x = 0; x < pic.width; ++x)
            for (int c = 0; c < spp; ++c) {
                const float v = in[x * 4 + c];
                const std::size_t i = static_cast<std::size_t>(x) * spp + c;
                if (isFloat) {
                    std::memcpy(line.data() + i * 4, &v, 4);
                } else if (bits == 16) {
                    const auto u = static_cast<std::uint16_t>(intFromUnit(v, 16));
                    std::memcpy(line.data() + i * 2, &u, 2);
                } else {
                    line[i] = static_cast<unsigned char>(intFromUnit(v, 8));
                }
            }
        if (TIFFWriteScanline(t.get(), line.data(), static_cast<std::uint32_t>(y), 0) < 0)
            throw std::runtime_error("cannot encode TIFF (" + tiff::lastError() + ")");
    }
    t.reset();
    return QByteArray(sink.bytes.data(), static_cast<int>(sink.bytes.size()));
}

const char* const kExtensions[] = {"tif", "tiff", nullptr};

}  // namespace

const StillFormat& tiffStillFormat() {
    static const StillFormat format{"TIFF", recognises, kExtensions, header, decode, encode};
    return format;
}

}  // namespace duovis::media
