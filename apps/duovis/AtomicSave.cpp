#include "AtomicSave.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <stdexcept>

namespace duovis::cli {

void saveImageAtomically(const QImage& image, const QString& path) {
    const QFileInfo info(path);
    const std::string where = path.toStdString();
    if (!info.absoluteDir().exists()) throw std::runtime_error(where + ": output directory does not exist");
    const QByteArray format = info.suffix().toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        throw std::runtime_error(where + ": unsupported output format '" + info.suffix().toStdString() + "'");

    // QSaveFile writes beside the target and renames on commit.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(where + ": cannot write (" + file.errorString().toStdString() + ")");
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        file.cancelWriting();
        throw std::runtime_error(where + ": cannot encode image (" + writer.errorString().toStdString() +
                                 ")");
    }
    if (!file.commit())
        throw std::runtime_error(where + ": cannot write (" + file.errorString().toStdString() + ")");
}

}  // namespace duovis::cli
