#include "media/AtomicSave.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <stdexcept>
#include <string>

namespace duovis {

void saveBytesAtomically(const QByteArray& bytes, const QString& path, SaveMode mode) {
    OutputFile file(QFile::encodeName(path).toStdString(), mode);
    file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    file.commit();
}

void saveImageAtomically(const QImage& image, const QString& path, SaveMode mode, const char* format) {
    const QFileInfo info(path);
    const std::string where = QFile::encodeName(path).toStdString();
    if (!info.absoluteDir().exists()) throw std::runtime_error(where + ": output directory does not exist");
    const QByteArray chosen = format != nullptr ? QByteArray(format) : info.suffix().toLower().toLatin1();
    if (chosen.isEmpty() || !QImageWriter::supportedImageFormats().contains(chosen.toLower()))
        throw std::runtime_error(where + ": unsupported output format '" + info.suffix().toStdString() + "'");
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, chosen);
    if (!writer.write(image))
        throw std::runtime_error(where + ": cannot encode image (" + writer.errorString().toStdString() +
                                 ")");
    saveBytesAtomically(encoded, path, mode);
}

}  // namespace duovis
