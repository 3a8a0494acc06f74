#pragma once
// The one writer of every file duovis makes (renders, projects, contact sheets, screenshots):
// readers only ever see the old file or the complete new one. Every byte, the flush to disk
// and the close are checked; on any failure the old file stays, the temporary file goes, and
// the error names the file and the system's reason ("No space left on device").

#include <QByteArray>
#include <QImage>
#include <QString>

namespace duovis::cli {

// Throws std::runtime_error naming the path on failure.
void saveBytesAtomically(const QByteArray& bytes, const QString& path);

// Format from the extension; encoded in memory, then written as above.
void saveImageAtomically(const QImage& image, const QString& path);

}  // namespace duovis::cli
