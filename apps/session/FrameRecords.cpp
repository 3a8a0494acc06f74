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

namespace {

QString renderNameIn(const QString& records) {
    return QDir(records).filePath(".render");
}

}  // namespace

bool recordsAreOf(const QString& records, const QByteArray& render) {
    QFile name(renderNameIn(records));
    if (!name.open(QIODevice::ReadOnly)) return QDir(records).isEmpty();
    return name.readAll() == render;
}

void keepRecordsFor(const QString& records, const QByteArray& render) {
    if (recordsAreOf(records, render) && QFileInfo::exists(renderNameIn(records))) return;
    const std::string folder = QFile::encodeName(records).toStdString();
    if (!QDir(records).removeRecursively() || !QDir().mkpath(records))
        throw std::runtime_error(folder + ": cannot start the records over");
    saveBytesAtomically(render, renderNameIn(records));
}

}  // namespace duovis::session
