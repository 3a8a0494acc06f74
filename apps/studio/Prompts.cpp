#include "Prompts.h"

#include <QFileDialog>
#include <QFileInfo>

namespace duovis::studio {

namespace {

QMessageBox::StandardButton askSaveChanges(QWidget* parent) {
    return QMessageBox::question(parent, QObject::tr("duovis-studio"),
                                 QObject::tr("Save the changes to the project?"),
                                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
}

// Any name is accepted, so a typed pattern ("shot.%04d.exr") reaches the window, which checks it.
QString askOpenFile(QWidget* parent, const QString& caption, const QString& filter, const QString& folder) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

// The window confirms the replacement itself, once it knows the name with its extension.
QString askSaveFile(QWidget* parent, const QString& start) {
    return QFileDialog::getSaveFileName(parent, QObject::tr("Save project"), start,
                                        QObject::tr("Projects (*.json)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool askReplaceFile(QWidget* parent, const QString& path) {
    return QMessageBox::question(
               parent, QObject::tr("duovis-studio"),
               QObject::tr("%1 already exists. Replace it?").arg(QFileInfo(path).fileName()),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void tellError(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, QObject::tr("duovis-studio"), message);
}

}  // namespace

Prompts dialogPrompts() {
    return Prompts{askSaveChanges, askOpenFile, askSaveFile, askReplaceFile, tellError, showToolReportDialog};
}

}  // namespace duovis::studio
