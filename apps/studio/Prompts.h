#pragma once
// What the window asks a person: whether to keep changes, which file to open or save to, and
// whether to replace a file. Each is a function so a test can answer in the person's place.

#include <QMessageBox>
#include <QString>
#include <functional>

#include "ToolReport.h"

class QWidget;

namespace duovis::studio {

struct Prompts {
    // Save, Discard or Cancel for changes the next action would lose.
    std::function<QMessageBox::StandardButton(QWidget* parent)> saveChanges;
    // A file to open, starting in `folder` (empty: the working folder); empty when the person
    // cancels. A name typed in may be a sequence pattern that names no one file.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter,
                          const QString& folder)>
        openFile;
    // A name to save the project under, offered `start`; empty when the person cancels. The
    // window adds the extension and asks before replacing a file.
    std::function<QString(QWidget* parent, const QString& start)> saveFile;
    // Whether an existing file may be replaced.
    std::function<bool(QWidget* parent, const QString& path)> replaceFile;
    // Tells of a failed action: what failed and why, naming the file.
    std::function<void(QWidget* parent, const QString& message)> showError;
    // Shows the parallax tool's summary: what the press applied and the tool's report. Unset,
    // the tool is not asked for a report and the summary goes to the status bar only.
    std::function<void(QWidget* parent, const QString& applied, const ToolReport& report)> showToolReport =
        {};
};

// Qt's dialogs.
Prompts dialogPrompts();

}  // namespace duovis::studio
