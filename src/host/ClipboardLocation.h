// The process-wide location of the parameter clipboard file that Copy and Paste share.
#pragma once

#include <QString>

namespace duovis {

// Fixed at parameter set-up from the machine's data folder (or the user's own as fall-back).
void fixParameterClipboardPath();

// Empty until parameter set-up has run in this process.
const QString& parameterClipboardPath();

}  // namespace duovis
