#pragma once
// A labelled grid of thumbnails, one per rendered variant.

#include <QImage>
#include <QString>
#include <vector>

namespace duovis::cli {

struct SheetEntry {
    QString label;
    QImage image;
};

QImage makeContactSheet(const std::vector<SheetEntry>& entries, int columns, int cellWidth);

}  // namespace duovis::cli
