#include "media/TiffFile.h"

#include <cstdarg>
#include <cstdio>
#include <stdexcept>

namespace duovis::media::tiff {

namespace {

thread_local std::string lastMessage;

void keepError(const char*, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    lastMessage = text;
}
void ignoreWarning(const char*, const char*, va_list) {}

}  // namespace

void keepMessages() {
    TIFFSetErrorHandler(keepError);
    TIFFSetWarningHandler(ignoreWarning);
    lastMessage.clear();
}

const std::string& lastError() {
    return lastMessage;
}

TiffPtr openTiff(const std::string& path) {
    keepMessages();
    TiffPtr t(TIFFOpen(path.c_str(), "r"));
    if (!t) cannotRead(path);
    return t;
}

void cannotRead(const std::string& path) {
    throw std::runtime_error(path + ": cannot read TIFF file (" + lastMessage + ")");
}

int orientationOf(TIFF* t) {
    const auto o = field<std::uint16_t>(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    return o >= ORIENTATION_TOPLEFT && o <= ORIENTATION_LEFTBOT ? o : ORIENTATION_TOPLEFT;
}

}  // namespace duovis::media::tiff
