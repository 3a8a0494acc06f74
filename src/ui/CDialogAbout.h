// The effect's modal About box: the maker's logo, the product name with its version and a
// read-only notice. The form comes from CDialogAbout.ui.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include "ui_CDialogAbout.h"

class CDialogAbout : public QDialog, public Ui::CDialogAbout {
    Q_OBJECT

  public:
    explicit CDialogAbout(QWidget* parent = nullptr);

    // Each replaces what the widget showed; the name is trimmed first.
    void setName(const QString& text);
    void setLogo(const QPixmap& logo);
    // One paragraph per entry, shown as plain text; an empty entry is an empty line.
    void setNotice(const QStringList& paragraphs);
};
