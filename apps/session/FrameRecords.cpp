#include "session/FrameRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "media/AtomicSave.h"

namespace duovis::session {

QString recordFor(const QString& records, const QString& file) {
    return QDir(records).filePath(QFileInfo(file).fileName() + ".done");
}

void recordFinished(const QString& records, const QString& file, long long size) {
    if (!QDir().mkpath(records))
        throw std::runtime_error(QFile::encodeName(records).toStdString() + ": cannot make the folder");
    saveBytesAtomically(QByteArray::number(size) + "\n", recordFor(records, file));
}

bool isFinished(const QString& records, const QString& file) {
    QFile record(recordFor(records, file));
    if (!record.open(QIODevice::ReadOnly)) return false;
    bool ok = false;
    const long long size = record.read(32).trimmed().toLongLong(&ok);
    const QFileInfo info(file);
    return ok && info.isFile() && info.size() == size;
}

}  // namespace duovis::session
