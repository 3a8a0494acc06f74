// What the About box says for each of the two modules.
#pragma once

#include <QString>
#include <QStringList>

#include "core/params/ParamTable.h"

namespace duovis {

struct AboutTexts {
    QString productName;  // "DuovisX" or "Duovis"
    QString version;      // the product's version as the user knows it
    QStringList notice;   // one entry per paragraph; empty entries are empty lines
};

AboutTexts aboutTexts(Deliverable deliverable);

}  // namespace duovis
