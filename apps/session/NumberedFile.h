#pragma once
// A file picked from a numbered sequence ("shot.0001.exr", "left_0001.png") stands for its
// sequence, as editors take it: the pattern that names its siblings too.

#include <QString>
#include <optional>

namespace duovis::session {

// The pattern of the sequence `path` belongs to ("shot.%04d.exr"), if at least one other
// file on disk shares it; nothing for a file without a frame number or alone in its sequence.
std::optional<QString> sequencePatternFor(const QString& path);

}  // namespace duovis::session
