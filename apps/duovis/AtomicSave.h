#pragma once
// Writes an image so that readers only ever see the old file or the complete new one.

#include <QImage>
#include <QString>

namespace duovis::cli {

// Format from the extension. Throws std::runtime_error naming the path on failure.
void saveImageAtomically(const QImage& image, const QString& path);

}  // namespace duovis::cli
