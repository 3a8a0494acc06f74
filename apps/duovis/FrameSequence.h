#pragma once
// A numbered image sequence named by a printf-style pattern ("shot_%04d.png"), or a single
// file that stands for every frame.

#include <QString>
#include <optional>

namespace duovis::cli {

class FrameSequence {
  public:
    // Finds the frames on disk for a pattern; a plain file name is a still.
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

    static bool looksLikePattern(const QString& name);
    // Fills the pattern's number field; plain names come back unchanged.
    static QString expand(const QString& name, int frame);

  private:
    QString name_;
    bool pattern_ = false;
    std::optional<int> first_;
    std::optional<int> last_;
};

}  // namespace duovis::cli
