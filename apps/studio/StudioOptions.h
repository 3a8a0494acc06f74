#pragma once
// duovis-studio's command line: what to open, the values to start from, the window picture to
// take, and the host the session plays.

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "Session.h"

namespace duovis::studio {

extern const char* const kStudioUsage;

struct StudioOptions {
    bool help = false;
    QString file;
    QString second;
    std::vector<std::string> assignments;  // "ID=VALUE", for every instance
    std::vector<std::string> presses;      // identifiers of buttons, for the first instance
    int instances = 1;
    QString screenshot;
    QString filter;  // what the panel's filter box starts with
    SessionOptions session;
};

// `words` are the arguments after the program's name. Throws std::runtime_error with one line
// naming the option or the word at fault.
StudioOptions parseStudioOptions(const QStringList& words);

}  // namespace duovis::studio
