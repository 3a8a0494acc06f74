#include "TimeText.h"

#include <cmath>

namespace duovis::studio {

QString timeText(int frame, int first, int last, double framesPerSecond) {
    const int rate = std::max(1, static_cast<int>(std::lround(framesPerSecond)));
    const int elapsed = std::max(0, frame - first);
    const int seconds = elapsed / rate;
    const QString timecode = QStringLiteral("%1:%2:%3:%4")
                                 .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                                 .arg(elapsed % rate, 2, 10, QLatin1Char('0'));
    return QStringLiteral("frame %1 of %2–%3 (%4) · %5")
        .arg(frame)
        .arg(first)
        .arg(last)
        .arg(last - first + 1)
        .arg(timecode);
}

}  // namespace duovis::studio
