#include "core/params/ClipboardPath.h"

#include <cstring>

namespace duovis {

QString clipboardPath(const char* programData, const QString& perUserDataDir) {
    static const QString kTail = QStringLiteral("/Corvant/Duovis/TempData");
    const bool fits = programData && std::strlen(programData) < size_t(kProgramDataBufferSize);
    if (fits && *programData) return QString::fromUtf8(programData) + kTail;
    return perUserDataDir + kTail;
}

}  // namespace duovis
