#pragma once
// Which saved files are finished, for renders that may be cut short and run again (farm tasks
// killed or pre-empted): a record of the file's size, written after the file's atomic save, so
// a file without one, or with another size (cut short, replaced by hand), is rendered again.

#include <QString>

namespace duovis::session {

// The record of `file` in the folder `records`: the file's name with ".done".
QString recordFor(const QString& records, const QString& file);

// Records `file` as finished at `size` bytes; the folder is made where missing. Throws
// std::runtime_error naming the record when it cannot be saved.
void recordFinished(const QString& records, const QString& file, long long size);

// Whether `file` is there with the size its record gives.
bool isFinished(const QString& records, const QString& file);

// Records stand only for the render that made them, named by `render` (its options, inputs and
// output): whether the folder's records were made by it. A folder without records is.
bool recordsAreOf(const QString& records, const QByteArray& render);

// Makes the folder the records of `render`, removing those of another render, whose files
// must be made again. Throws std::runtime_error naming the folder where it cannot.
void keepRecordsFor(const QString& records, const QByteArray& render);

}  // namespace duovis::session
