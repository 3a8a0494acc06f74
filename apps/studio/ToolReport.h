#pragma once
// After a press of the parallax tool: the tool's own measurement of the same two pictures
// (`depthscope analyse`, run as a process the person can cancel) with its verdict and report
// picture, shown beside what the press applied.

#include <QImage>
#include <QString>

class QWidget;

namespace duovis::studio {

struct ToolReport {
    QString measured;  // the tool's summary: offsets, depth budget, correction and verdict
    QImage picture;    // the matched pairs and the disparity histogram
    QString missing;   // why there is no measurement (no second eye, the tool failed), if so
};

// The program the press started (the press sets DUOVIS_DEPTHSCOPE where it was unset).
QString analyserProgram();

// Measures `left` against `right` under a busy dialog; false when the person cancelled.
bool measureForReport(QWidget* parent, const QImage& left, const QImage& right, ToolReport& report);

// A dialog with what was applied, the measurement and verdict, and the report picture.
void showToolReportDialog(QWidget* parent, const QString& applied, const ToolReport& report);

}  // namespace duovis::studio
