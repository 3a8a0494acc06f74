// Where "Copy Parameters" and "Paste Parameters" keep their file: one file for every instance
// of both deliverables on the machine.
#pragma once

#include <QString>

namespace duovis {

// The host's machine-wide data folder value fits a 256-byte buffer, terminator included.
constexpr int kProgramDataBufferSize = 256;

// `programData` is the value of "ProgramData" (null when unset). When it is unset or too long
// for the buffer, the file goes to the user's own data folder instead (`perUserDataDir`), so
// Copy and Paste still meet at one well-defined place.
QString clipboardPath(const char* programData, const QString& perUserDataDir);

}  // namespace duovis
