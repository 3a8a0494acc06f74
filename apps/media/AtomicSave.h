#pragma once
// Whole files saved in one step (renders, projects, contact sheets, screenshots, reports):
// readers only ever see the old file or the complete new one, as OutputFile writes them.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "media/OutputFile.h"

namespace duovis {

// Throws std::runtime_error naming the path on failure.
void saveBytesAtomically(const QByteArray& bytes, const QString& path, SaveMode mode = SaveMode::Replace);

// Encoded in memory in `format` (by default the extension's), then written as above.
void saveImageAtomically(const QImage& image, const QString& path, SaveMode mode = SaveMode::Replace,
                         const char* format = nullptr);

}  // namespace duovis
