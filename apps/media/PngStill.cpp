// PNG through libpng directly: decoded straight into the picture (8-bit bytes, or floats for
// 16-bit files) with libpng's complaints turned into our error, not printed, so decoding on
// the render loop's reader thread never touches the process's standard error.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "media/PngWriter.h"
#include "media/StillFormat.h"

namespace duovis::media {

namespace {

thread_local char lastError[256];
void fail(png_structp png, png_const_charp message) {
    std::snprintf(lastError, sizeof lastError, "%s", message);
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The reading structures of one file; the long jump back from a failure lands in the
// functions below, which hold no C++ objects.
class PngFile {
  public:
    explicit PngFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "rb")) {
        if (!file_) throw std::runtime_error(path + ": cannot open");
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignoreWarning);
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
        if (info_ == nullptr) throw std::runtime_error(path + ": not enough memory to read it");
        png_init_io(png_, file_.get());
    }
    ~PngFile() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngFile(const PngFile&) = delete;
    PngFile& operator=(const PngFile&) = delete;

    [[noreturn]] void failed() const {
        throw std::runtime_error(path_ + ": cannot read image (" + lastError + ")");
    }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    std::string path_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

bool readHeader(png_structp png, png_infop info, png_uint_32* w, png_uint_32* h, int* depth) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    *w = png_get_image_width(png, info);
    *h = png_get_image_height(png, info);
    *depth = png_get_bit_depth(png, info);
    return true;
}

// Every colour type to RGBA at 8 or 16 bits, 16-bit samples in the machine's order.
bool readRows(png_structp png, png_infop info, int depth, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    if (depth == 16) png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows);
    return true;
}

bool recognises(const QByteArray& head) {
    return head.size() >= 8 && png_sig_cmp(reinterpret_cast<png_const_bytep>(head.constData()), 0, 8) == 0;
}

StillHeader header(const std::string& path) {
    PngFile f(path);
    png_uint_32 w = 0, h = 0;
    int depth = 0;
    if (!readHeader(f.png(), f.info(), &w, &h, &depth)) f.failed();
    return declaredHeader(path, w, h);
}

Frame decode(const std::string& path) {
    PngFile f(path);
    png_uint_32 w = 0, h = 0;
    int depth = 0;
    if (!readHeader(f.png(), f.info(), &w, &h, &depth)) f.failed();
    const bool deep = depth == 16;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 4 * (deep ? 2 : 1);
    Picture bytes = deep ? Picture() : Picture::bytes(static_cast<int>(w), static_cast<int>(h));
    std::vector<std::uint16_t> wide(deep ? rowBytes / 2 * h : 0);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = deep ? reinterpret_cast<png_bytep>(wide.data() + y * rowBytes / 2)
                       : bytes.row8(static_cast<int>(y));
    if (!readRows(f.png(), f.info(), depth, rows.data())) f.failed();
    if (!deep) return Frame::of(std::move(bytes));
    Picture pic(static_cast<int>(w), static_cast<int>(h), 16);
    for (std::size_t i = 0; i < wide.size(); ++i) pic.rgba[i] = unitFromInt(wide[i], 16);
    return Frame::of(std::move(pic));
}

QByteArray encode(const Frame& frame, const std::string&) {
    return encodePng(frame.views.front());
}

const char* const kExtensions[] = {"png", nullptr};

}  // namespace

const StillFormat& pngStillFormat() {
    static const StillFormat format{"PNG", recognises, kExtensions, header, decode, encode};
    return format;
}

}  // namespace duovis::media
