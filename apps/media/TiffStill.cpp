// TIFF through libtiff: 8- and 16-bit integer and 32-bit float RGB(A) and grey, written as
// RGB, or RGBA where alpha is to be kept, at the depth the source had.
#include <tiffio.h>

#include <QByteArray>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "StillFormat.h"

namespace duovis::media {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// libtiff prints its complaints itself; the last one becomes our message instead.
thread_local std::string lastError;
void keepError(const char*, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    lastError = text;
}
void ignoreWarning(const char*, const char*, va_list) {}

TiffPtr openTiff(const std::string& path) {
    TIFFSetErrorHandler(keepError);
    TIFFSetWarningHandler(ignoreWarning);
    lastError.clear();
    TiffPtr t(TIFFOpen(path.c_str(), "r"));
    if (!t) throw std::runtime_error(path + ": cannot read TIFF file (" + lastError + ")");
    return t;
}

template <typename T>
T field(TIFF* t, ttag_t tag, T fallback) {
    T v = fallback;
    return TIFFGetFieldDefaulted(t, tag, &v) == 1 ? v : fallback;
}

float sampleAt(const unsigned char* row, int index, int bits, bool isFloat) {
    if (isFloat) {
        float v;
        std::memcpy(&v, row + index * 4, 4);
        return v;
    }
    if (bits == 16) {
        std::uint16_t v;
        std::memcpy(&v, row + index * 2, 2);
        return unitFromInt(v, 16);
    }
    return unitFromInt(row[index], 8);
}

// Strip-stored RGB(A) or grey at 8, 16 or float 32 bits: every value as stored.
bool readDirect(TIFF* t, Picture& pic, const std::string& path) {
    const auto bits = field<std::uint16_t>(t, TIFFTAG_BITSPERSAMPLE, 8);
    const auto spp = field<std::uint16_t>(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    const auto format = field<std::uint16_t>(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    const auto photometric = field<std::uint16_t>(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    const auto planar = field<std::uint16_t>(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const bool isFloat = format == SAMPLEFORMAT_IEEEFP && bits == 32;
    const bool intOk = format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16);
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK && spp <= 2;
    const bool rgb = photometric == PHOTOMETRIC_RGB && (spp == 3 || spp == 4);
    if (TIFFIsTiled(t) || planar != PLANARCONFIG_CONTIG || !(isFloat || intOk) || !(grey || rgb))
        return false;
    pic.bits = bits;
    pic.isFloat = isFloat;
    std::vector<unsigned char> line(static_cast<std::size_t>(TIFFScanlineSize(t)));
    for (int y = 0; y < pic.height; ++y) {
        if (TIFFReadScanline(t, line.data(), static_cast<std::uint32_t>(y)) < 0)
            throw std::runtime_error(path + ": cannot read TIFF file (" + lastError + ")");
        float* out = pic.row(y);
        for (int x = 0; x < pic.width; ++x) {
            float v[4] = {0, 0, 0, 1};
            for (int c = 0; c < spp; ++c) v[c] = sampleAt(line.data(), x * spp + c, bits, isFloat);
            if (grey) v[3] = spp == 2 ? v[1] : 1.0f, v[1] = v[2] = v[0];
            std::memcpy(out + x * 4, v, sizeof v);
        }
    }
    return true;
}

bool recognises(const QByteArray& head) {
    return head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4));
}

StillHeader header(const std::string& path) {
    const TiffPtr t = openTiff(path);
    return {static_cast<int>(field<std::uint32_t>(t.get(), TIFFTAG_IMAGEWIDTH, 0)),
            static_cast<int>(field<std::uint32_t>(t.get(), TIFFTAG_IMAGELENGTH, 0)), 1};
}

Frame decode(const std::string& path) {
    const TiffPtr t = openTiff(path);
    const StillHeader h = header(path);
    Picture pic(h.width, h.height);
    if (readDirect(t.get(), pic, path)) return Frame::of(std::move(pic));
    // Everything else (palettes, YCbCr, tiles, odd depths) through libtiff's 8-bit RGBA reader.
    std::vector<std::uint32_t> px(static_cast<std::size_t>(h.width) * h.height);
    if (!TIFFReadRGBAImageOriented(t.get(), static_cast<std::uint32_t>(h.width),
                                   static_cast<std::uint32_t>(h.height), px.data(), ORIENTATION_TOPLEFT, 0))
        throw std::runtime_error(path + ": cannot read TIFF file (" + lastError + ")");
    for (std::size_t i = 0; i < px.size(); ++i) {
        pic.rgba[i * 4 + 0] = unitFromInt(TIFFGetR(px[i]), 8);
        pic.rgba[i * 4 + 1] = unitFromInt(TIFFGetG(px[i]), 8);
        pic.rgba[i * 4 + 2] = unitFromInt(TIFFGetB(px[i]), 8);
        pic.rgba[i * 4 + 3] = unitFromInt(TIFFGetA(px[i]), 8);
    }
    return Frame::of(std::move(pic));
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
    TIFFSetErrorHandler(keepError);
    lastError.clear();
    TiffPtr t(TIFFClientOpen("memory", "w", &sink, sinkRead, sinkWrite, sinkSeek, sinkClose, sinkSize, noMap,
                             noUnmap));
    if (!t) throw std::runtime_error("cannot encode TIFF (" + lastError + ")");
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
            throw std::runtime_error("cannot encode TIFF (" + lastError + ")");
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
