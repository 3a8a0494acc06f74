#include "ContactSheet.h"

#include <QPainter>
#include <algorithm>

namespace duovis::cli {

QImage makeContactSheet(const std::vector<SheetEntry>& entries, int columns, int cellWidth) {
    constexpr int kPad = 8;
    constexpr int kLabel = 22;
    const int cellHeight = cellWidth * 9 / 16;
    const int count = static_cast<int>(entries.size());
    const int rows = std::max(1, (count + columns - 1) / columns);
    QImage sheet(kPad + columns * (cellWidth + kPad), kPad + rows * (cellHeight + kLabel + kPad),
                 QImage::Format_ARGB32);
    sheet.fill(QColor(32, 32, 32));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);
    for (int i = 0; i < count; ++i) {
        const int x = kPad + (i % columns) * (cellWidth + kPad);
        const int y = kPad + (i / columns) * (cellHeight + kLabel + kPad);
        // Wide and tall layouts keep their shape inside the cell.
        const QImage thumb = entries[static_cast<std::size_t>(i)].image.scaled(
            cellWidth, cellHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.fillRect(x, y, cellWidth, cellHeight, Qt::black);
        p.drawImage(x + (cellWidth - thumb.width()) / 2, y + (cellHeight - thumb.height()) / 2, thumb);
        p.setPen(QColor(230, 230, 230));
        p.drawText(QRect(x, y + cellHeight, cellWidth, kLabel), Qt::AlignCenter,
                   entries[static_cast<std::size_t>(i)].label);
    }
    return sheet;
}

}  // namespace duovis::cli
