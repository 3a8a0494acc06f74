#include "ParamClipboardFile.h"

#include "ClipboardLocation.h"
#include "ParamClipboard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace duovis {

namespace {

void applyPasted(HostParamAccess& params, ParamId id, double value) {
    if (const PF_ParamDef* slider = params.floatDef(id)) {
        const double lo = slider->u.fs_d.valid_min, hi = slider->u.fs_d.valid_max;
        params.setFloat(id, std::clamp(value, lo, hi));
    } else if (const PF_ParamDef* popup = params.def(id, PF_Param_POPUP)) {
        if (value >= 1 && value <= popup->u.pd.num_choices)
            params.setInteger(id, static_cast<int32_t>(value));
    } else if (params.def(id, PF_Param_CHECKBOX)) {
        if (value == 0 || value == 1) params.setInteger(id, static_cast<int32_t>(value));
    }
}

}  // namespace

void copyParamsToClipboard(const HostParamAccess& params) {
    const QString& path = parameterClipboardPath();
    if (path.isEmpty()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const ParamValues v = params.values();
    const std::string text = formatClipboard(std::vector<double>(v.values.begin(), v.values.end()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return;
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return;
    }
    (void)file.commit();
}

void pasteParamsFromClipboard(HostParamAccess& params) {
    const QString& path = parameterClipboardPath();
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    // The file is 68 short lines; anything far larger is not ours and is read only in part.
    const QByteArray bytes = file.read(64 * 1024);
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const auto& entries = clipboardEntries();
    const auto lines = clipboardLines(text, entries.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        applyPasted(params, entries[i], parseClipboardValue(entries[i], lines[i]));
}

}  // namespace duovis
