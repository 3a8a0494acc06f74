#pragma once
// The one writer of every file duovis makes (renders, projects, contact sheets, screenshots):
// readers only ever see the old file or the complete new one. Every byte, the flush to disk
// and the close are checked; on any failure the old file stays, the temporary file goes, and
// the error names the file and the system's reason ("No space left on device").

#include <QByteArray>
#include <QImage>
#include <QString>

namespace duovis::cli {

// Whether an existing file at the path is replaced or the save refuses. The refusal is made by
// the file system at the moment of the rename, so two commands creating one name cannot both win.
enum class SaveMode { Replace, KeepExisting };

// Throws std::runtime_error naming the path on failure.
void saveBytesAtomically(const QByteArray& bytes, const QString& path, SaveMode mode = SaveMode::Replace);

// Format from the extension; encoded in memory, then written as above.
void saveImageAtomically(const QImage& image, const QString& path, SaveMode mode = SaveMode::Replace);

}  // namespace duovis::cli
