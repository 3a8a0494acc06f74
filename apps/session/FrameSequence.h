#pragma once
// A numbered image sequence named by a pattern ("shot_%04d.png", "shot_####.png"), or a single
// file that stands for every frame; and the frame lists --frames takes.

#include <QString>
#include <optional>
#include <string>

namespace duovis::session {

class FrameSequence {
  public:
    // Finds the frames on disk for a pattern; a plain file name is a still. Throws
    // std::runtime_error for a name with more than one frame number field.
    explicit FrameSequence(const QString& name);

    bool isPattern() const { return pattern_; }
    bool empty() const { return pattern_ && !first_; }
    int first() const { return first_.value_or(0); }
    int last() const { return last_.value_or(0); }
    QString fileFor(int frame) const;
    // The frame number a file name in the sequence's directory stands for, if the pattern
    // makes that name.
    std::optional<int> frameNamed(const QString& fileName) const;
    QString directory() const;

    // A frame number field is `%d`, `%4d` (padded with spaces), `%04d` (with zeros) or a run
    // of N `#` (N digits, padded with zeros); `%%` is a percent sign. Both throw
    // std::runtime_error for a name with two fields or one wider than 16 digits.
    static bool looksLikePattern(const QString& name);
    // Fills the number field; a name without one comes back with `%%` made `%`.
    static QString expand(const QString& name, int frame);

  private:
    QString name_;
    bool pattern_ = false;
    std::optional<int> first_;
    std::optional<int> last_;
};

// Frames `first` to `last` in steps of `step`.
struct FrameRange {
    int first = 0;
    int last = 0;
    int step = 1;
    bool toTheEnd = false;  // `last` only bounds an input of unknown length, which may end first
    int count() const { return (last - first) / step + 1; }
    int at(int index) const { return first + index * step; }
};

// "N", "A-B" or "A-BxSTEP" (every STEP-th frame from A, up to B), frames counted from 0.
// Throws std::runtime_error naming `what` and the text when it is none of those.
FrameRange parseFrameRange(const std::string& text, const std::string& what);

}  // namespace duovis::session
