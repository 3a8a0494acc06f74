#include "ToolSummary.h"

#include <QObject>
#include <QStringList>

namespace duovis::studio {

namespace {

QString shown(const PF_ParamDef& def) {
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            return QString::number(def.u.fs_d.value, 'g', 6);
        case PF_Param_POPUP:
            return QString::number(def.u.pd.value);
        case PF_Param_CHECKBOX:
            return def.u.bd.value ? QStringLiteral("on") : QStringLiteral("off");
        default:
            return QString();
    }
}

}  // namespace

QString toolSummary(const ValueSet& before, const ValueSet& after) {
    QStringList applied;
    for (const int position : differingPositions(before, after)) {
        const auto at = static_cast<std::size_t>(position);
        if (at >= before.size() || at >= after.size()) continue;
        const QString value = shown(after[at]);
        if (value.isEmpty()) continue;
        applied
            << QStringLiteral("%1 %2 → %3").arg(QString::fromUtf8(after[at].name), shown(before[at]), value);
    }
    if (applied.isEmpty())
        return QObject::tr(
            "Parallax tool: nothing applied (it refused the pair or found nothing to correct; "
            "its report says which)");
    return QObject::tr("Parallax tool applied: %1").arg(applied.join(QStringLiteral("; ")));
}

}  // namespace duovis::studio
