#pragma once
// What the time bar says: the frame by the numbers `--frames` takes (a sequence's own file
// numbers, a video's index from 0), the shot's range and length, and the timecode.

#include <QString>

namespace duovis::studio {

// "frame 12 of 1–48 (48) · 00:00:00:11"; the timecode counts from the shot's first frame.
QString timeText(int frame, int first, int last, double framesPerSecond);

}  // namespace duovis::studio
