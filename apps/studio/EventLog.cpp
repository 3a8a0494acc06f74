#include "EventLog.h"

#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>

#include "MainWindow.h"
#include "ParamPanel.h"
#include "session/ParamDescribe.h"

namespace duovis::studio {

namespace {

void line(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

bool logged(const QString& name) {
    return name.startsWith(QLatin1String("param-")) || name.startsWith(QLatin1String("viewer-")) ||
           name == QLatin1String("panel-filter") || name == QLatin1String("time");
}

void logWidgets(MainWindow& window) {
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!logged(w->objectName()) || !w->isVisible()) continue;
        const QPoint at = w->mapToGlobal(QPoint(0, 0));
        line(QStringLiteral("widget %1 %2 %3 %4 %5")
                 .arg(w->objectName())
                 .arg(at.x())
                 .arg(at.y())
                 .arg(w->width())
                 .arg(w->height()));
    }
}

// The float values that differ from the last ones logged.
void logValues(Session& session, ValueSet& last) {
    const refhost::ParamStore& store = session.instance(0).params();
    const ValueSet now = snapshotValues(store);
    for (const int position : differingPositions(last, now)) {
        const PF_ParamDef& def = now[static_cast<std::size_t>(position)];
        if (def.param_type != PF_Param_FLOAT_SLIDER) continue;
        line(QStringLiteral("value %1 %2 %3")
                 .arg(position)
                 .arg(QString::fromStdString(session::identifierAt(position)))
                 .arg(def.u.fs_d.value, 0, 'g', 10));
    }
    last = now;
}

// After the layout has settled.
void logWidgetsSoon(MainWindow& window) {
    QTimer::singleShot(300, &window, [&window] { logWidgets(window); });
}

}  // namespace

void logEventsOf(MainWindow& window) {
    if (!qEnvironmentVariableIsSet("DUOVIS_STUDIO_EVENTS")) return;
    Session& session = window.session();
    auto last = std::make_shared<ValueSet>();
    QObject::connect(&session.undoStack(), &QUndoStack::indexChanged, &window, [&session](int index) {
        line(QStringLiteral("undo %1 %2 %3")
                 .arg(index)
                 .arg(session.undoStack().count())
                 .arg(session.undoStack().undoText()));
    });
    QObject::connect(&session, &Session::valuesChanged, &window, [&session, last](int slot) {
        if (slot == 0) logValues(session, *last);
    });
    QObject::connect(&session, &Session::opened, &window, [&window, &session, last] {
        *last = snapshotValues(session.instance(0).params());
        if (const StudioSource* source = session.source(); source && source->isSequence())
            line(QStringLiteral("time %1 %2").arg(source->firstFrame()).arg(source->lastFrame()));
        logWidgetsSoon(window);
        for (QLineEdit* filter : window.findChildren<QLineEdit*>(QStringLiteral("panel-filter")))
            QObject::connect(filter, &QLineEdit::textChanged, &window, [&window] { logWidgetsSoon(window); });
    });
}

}  // namespace duovis::studio
