#include "ToolMessageBox.h"

#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <cstdio>

#include "DialogApplication.h"

namespace duovis {

namespace {

// How long a box no one can see stays up: long enough for a host that drives the offscreen
// platform to find it, short enough not to hold up a host that runs headless.
constexpr int kUnseenBoxMs = 2000;

}  // namespace

void showToolMessage(const QString& text) {
    try {
        DialogApplicationScope application(DialogApplicationScope::Headless::Offscreen);
        if (!application.ready() || application.offscreen())
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        if (!application.ready()) return;
        QMessageBox box;
        box.setWindowTitle(QStringLiteral("Depthscope"));
        box.setText(text);
        if (application.offscreen()) QTimer::singleShot(kUnseenBoxMs, &box, &QMessageBox::close);
        box.exec();
    } catch (...) {
        // The message is no part of the host's work.
    }
}

}  // namespace duovis
