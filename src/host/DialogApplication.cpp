#include "DialogApplication.h"

#include <QApplication>
#include <QThread>

namespace duovis {

namespace {

QApplication* gDialogApplication = nullptr;

// Without a display, making a widget application aborts the whole process; a host that
// runs headless must get "nothing shown" instead.
bool windowSystemReachable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

// QApplication keeps references to its argument count and vector for its whole life, and
// reads the program name from the vector, so both live as long as the module.
int gArgc = 1;
char gProgramName[] = "Duovis";
char* gArgv[] = {gProgramName, nullptr};

}  // namespace

QApplication* dialogApplication() {
    return gDialogApplication;
}

DialogApplicationScope::DialogApplicationScope() {
    if (gDialogApplication) return;  // a dialog of ours is open already
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        auto* widgets = qobject_cast<QApplication*>(existing);
        if (!widgets || widgets->thread() != QThread::currentThread()) return;
        gDialogApplication = widgets;
    } else {
        if (!windowSystemReachable()) return;
        gArgc = 1;
        gDialogApplication = new QApplication(gArgc, gArgv);
        owned_ = true;
    }
    held_ = true;
}

DialogApplicationScope::~DialogApplicationScope() {
    if (!held_) return;
    if (owned_) delete gDialogApplication;
    gDialogApplication = nullptr;
}

}  // namespace duovis
