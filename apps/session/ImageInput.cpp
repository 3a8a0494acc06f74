#include "session/ImageInput.h"

#include <sys/stat.h>

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "media/StillFile.h"
#include "session/ImageWorld.h"

namespace duovis::session {

QSize declaredImageSize(const std::string& path) {
    const media::StillHeader h = media::readStillHeader(path);
    return {h.width, h.height};
}

refhost::World readWorld(const std::string& path, refhost::PixelFormat format, qint64 maxPixels) {
    const media::Frame frame = media::readStill(path, maxPixels);
    try {
        return worldFor(frame.views.front(), format);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(path + ": not enough memory for a " +
                                 media::sizeText(frame.views.front().width, frame.views.front().height) +
                                 " frame");
    }
}

std::string sizeText(const QSize& s) {
    return media::sizeText(s.width(), s.height());
}

}  // namespace duovis::session
