#include "DialogApplication.h"

#include <QApplication>
#include <QGuiApplication>
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
char gPlatformOption[] = "-platform";
char gOffscreen[] = "offscreen";
char* gArgv[] = {gProgramName, nullptr, nullptr, nullptr};

}  // namespace

QApplication* dialogApplication() {
    return gDialogApplication;
}

DialogApplicationScope::DialogApplicationScope(Headless headless) {
    if (gDialogApplication) return;  // a dialog of ours is open already
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        auto* widgets = qobject_cast<QApplication*>(existing);
        if (!widgets || widgets->thread() != QThread::currentThread()) return;
        gDialogApplication = widgets;
    } else {
        const bool reachable = windowSystemReachable();
        if (!reachable && headless == Headless::Refuse) return;
        // QApplication takes its arguments apart, so the vector is rebuilt every time.
        gArgv[1] = reachable ? nullptr : gPlatformOption;
        gArgv[2] = reachable ? nullptr : gOffscreen;
        gArgc = reachable ? 1 : 3;
        gDialogApplication = new QApplication(gArgc, gArgv);
        owned_ = true;
    }
    held_ = true;
}

bool DialogApplicationScope::offscreen() const {
    return held_ && QGuiApplication::platformName() == QLatin1String("offscreen");
}

DialogApplicationScope::~DialogApplicationScope() {
    if (!held_) return;
    if (owned_) delete gDialogApplication;
    gDialogApplication = nullptr;
}

}  // namespace duovis
