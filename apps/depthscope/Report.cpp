#include "Report.h"

#include "core/params/ParamTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace depthscope {

using namespace duovis;

namespace {

QJsonObject misalignmentJson(const Misalignment& m) {
    return {{"vertical_px", m.verticalPx},      {"rotation_deg", m.rotationDeg},
            {"scale_pct", m.scalePct},          {"keystone_h_deg", m.keystoneHDeg},
            {"keystone_v_deg", m.keystoneVDeg}, {"vertical_rms_px", m.rmsPx}};
}

// Which model the fit chose and how each predicted the cells it was not fitted on.
QJsonObject fitJson(const EyeFit& f) {
    static const char* const kNames[kFitModels] = {"plain", "keystone_h", "keystone_v", "keystones"};
    QJsonObject heldOut;
    for (int m = 0; m < kFitModels; ++m)
        if (f.compared)
            heldOut[kNames[m]] = std::isfinite(f.heldOutPx[std::size_t(m)])
                                     ? QJsonValue(f.heldOutPx[std::size_t(m)])
                                     : QJsonValue();
    QJsonArray terms;
    for (std::size_t k = 0; k < std::size(kFitParams); ++k)
        if (f.fitted(k)) terms.append(paramDef(kFitParams[k]).identifier);
    return {{"model", kNames[f.model]},         {"compared", f.compared},
            {"held_out_rms_px", heldOut},       {"across_width", f.reach.acrossX},
            {"across_height", f.reach.acrossY}, {"set", terms}};
}

QImage toImage(const cv::Mat& view) {
    QImage img(view.cols, view.rows, QImage::Format_RGB32);
    for (int y = 0; y < view.rows; ++y) {
        const float* row = view.ptr<float>(y);
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < view.cols; ++x) {
            const int g = std::clamp(static_cast<int>(row[x] * 0.7f), 0, 255);  // dimmed, so the marks show
            out[x] = qRgb(g, g, g);
        }
    }
    return img;
}

// Blue for the nearest pairs, red for the farthest.
QColor depthColour(double pct, const DisparityRange& r) {
    const double span = std::max(1e-9, r.farPct - r.nearPct);
    const double t = std::clamp((pct - r.nearPct) / span, 0.0, 1.0);
    return QColor::fromRgbF(t, 0.3, 1.0 - t);
}

void drawHistogram(QPainter& p, const QRect& area, const DisparityRange& r) {
    p.fillRect(area, QColor(24, 24, 24));
    if (r.pct.empty()) return;
    const double lo = std::min(r.nearPct, *std::min_element(r.pct.begin(), r.pct.end()));
    const double hi = std::max(r.farPct, *std::max_element(r.pct.begin(), r.pct.end()));
    const double margin = std::max(0.1, 0.05 * (hi - lo));
    const double from = lo - margin, to = hi + margin;
    constexpr int kBins = 80;
    std::vector<int> bins(kBins, 0);
    for (double d : r.pct)
        ++bins[static_cast<std::size_t>(std::clamp(int((d - from) / (to - from) * kBins), 0, kBins - 1))];
    const int peak = std::max(1, *std::max_element(bins.begin(), bins.end()));
    const int plotTop = area.top() + 24, plotBottom = area.bottom() - 24;
    const double binW = double(area.width()) / kBins;
    for (int i = 0; i < kBins; ++i) {
        const int h = int(double(bins[static_cast<std::size_t>(i)]) / peak * (plotBottom - plotTop));
        const double centre = from + (i + 0.5) * (to - from) / kBins;
        p.fillRect(QRectF(area.left() + i * binW, plotBottom - h, binW - 1, h), depthColour(centre, r));
    }
    const auto xOf = [&](double pct) { return area.left() + (pct - from) / (to - from) * area.width(); };
    p.setPen(QPen(Qt::white, 2));
    for (const auto& [pct, name] : {std::pair{r.nearPct, "near"}, std::pair{r.farPct, "far"}}) {
        p.drawLine(QPointF(xOf(pct), plotTop), QPointF(xOf(pct), plotBottom));
        p.drawText(QPointF(xOf(pct) + 4, plotTop + 12), QString("%1 %2 %").arg(name).arg(pct, 0, 'f', 2));
    }
    p.drawText(QPointF(area.left() + 6, area.bottom() - 6),
               QString("horizontal disparity, right minus left, %1 % to %2 % of the eye width")
                   .arg(from, 0, 'f', 2)
                   .arg(to, 0, 'f', 2));
}

QJsonObject evidenceJson(const Evidence& e) {
    return {{"coverage", e.coverage},
            {"spread_x", e.spreadX},
            {"spread_y", e.spreadY},
            {"inliers_per_quadrant", QJsonObject{{"top_left", e.inliers[0]},
                                                 {"top_right", e.inliers[1]},
                                                 {"bottom_left", e.inliers[2]},
                                                 {"bottom_right", e.inliers[3]}}},
            {"halves_compared", e.halvesCompared},
            {"halves_disagreement_px", e.disagreementPx},
            {"halves_disagreement_limit_px", e.disagreementLimitPx}};
}

// What the report's colours and marks show: the dense budget where there is one, sampled so the
// histogram stays quick, else the pairs' range.
DisparityRange shownRange(const Analysis& a) {
    if (!a.depth.measured) return a.correction.disparity;
    DisparityRange r{a.depth.nearPct, a.depth.farPct, {}};
    for (int y = 0; y < a.depth.pct.rows; y += 2)
        for (int x = 0; x < a.depth.pct.cols; x += 2)
            if (const float v = a.depth.pct.at<float>(y, x); std::isfinite(v)) r.pct.push_back(double(v));
    return r;
}

// The dense map over the left eye, coloured like the histogram; unmatched pixels stay clear.
void drawDepthOverlay(QPainter& p, const DepthBudget& d, const DisparityRange& shown, const QRect& eye) {
    if (d.pct.empty()) return;
    QImage overlay(d.pct.cols, d.pct.rows, QImage::Format_ARGB32);
    overlay.fill(Qt::transparent);
    for (int y = 0; y < d.pct.rows; ++y)
        for (int x = 0; x < d.pct.cols; ++x)
            if (const float v = d.pct.at<float>(y, x); std::isfinite(v)) {
                QColor c = depthColour(double(v), shown);
                c.setAlpha(120);
                overlay.setPixel(x, y, c.rgba());
            }
    p.drawImage(eye, overlay);
}

// The coverage grid over the right eye: cells holding inliers in green, the others in red.
void drawCoverage(QPainter& p, const Evidence& e, const QRect& eye) {
    const double cw = double(eye.width()) / kCoverageGrid, ch = double(eye.height()) / kCoverageGrid;
    for (int cy = 0; cy < kCoverageGrid; ++cy)
        for (int cx = 0; cx < kCoverageGrid; ++cx) {
            const bool held = e.held[static_cast<std::size_t>(cy * kCoverageGrid + cx)];
            p.setPen(QPen(held ? QColor(60, 220, 90, 200) : QColor(230, 60, 60, 200), held ? 1 : 2));
            p.drawRect(QRectF(eye.left() + cx * cw + 2, eye.top() + cy * ch + 2, cw - 4, ch - 4));
        }
}

}  // namespace

std::string verdictLine(const Analysis& a) {
    if (!a.ok) return "refused: " + a.error;
    const Evidence& e = a.evidence;
    return QString(
               "ok (coverage %1 %, spread %2 % x %3 %, inliers per quadrant %4/%5/%6/%7, halves agree "
               "within %8 px)")
        .arg(e.coverage * 100, 0, 'f', 0)
        .arg(e.spreadX * 100, 0, 'f', 0)
        .arg(e.spreadY * 100, 0, 'f', 0)
        .arg(e.inliers[0])
        .arg(e.inliers[1])
        .arg(e.inliers[2])
        .arg(e.inliers[3])
        .arg(e.disagreementPx, 0, 'f', 2)
        .toStdString();
}

QByteArray reportJson(const Analysis& a) {
    QJsonObject o;
    o["eye"] = QJsonObject{{"width", a.views.eye.width}, {"height", a.views.eye.height}};
    o["ok"] = a.ok;
    if (!a.ok) o["error"] = QString::fromStdString(a.error);
    o["verdict"] = a.verdict();
    if (!a.ok) o["reason"] = QString::fromStdString(a.error);
    if (a.matched) o["evidence"] = evidenceJson(a.evidence);
    o["matches"] = a.pairs.matches;
    o["pairs_used"] = static_cast<int>(a.pairs.left.size());
    if (a.ok) {
        const Correction& c = a.correction;
        o["measured"] = misalignmentJson(c.measured);
        o["residual_after_correction"] = misalignmentJson(c.residual);
        o["fit"] = fitJson(c.fit);
        const DepthBudget& d = a.depth;
        QJsonObject budget{{"measured", d.measured}, {"matched_share", d.validShare}};
        if (d.measured)
            budget["near"] = d.nearPct, budget["far"] = d.farPct, budget["range"] = d.farPct - d.nearPct;
        o["depth_budget_pct"] = budget;
        o["disparity_pct"] = QJsonObject{{"near", c.disparity.nearPct},
                                         {"far", c.disparity.farPct},
                                         {"range", c.disparity.farPct - c.disparity.nearPct}};
        QJsonObject reply;
        for (const auto& [slot, value] : c.replySlots) {
            const ParamId id = toolSlotTable()[static_cast<std::size_t>(slot)].param;
            reply[paramDef(id).identifier] =
                QJsonObject{{"from", c.before[id]}, {"to", c.after[id]}, {"slot", slot}};
        }
        o["reply"] = reply;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QImage reportImage(const Analysis& a) {
    const int w = a.views.eye.width, h = a.views.eye.height;
    constexpr int kHistogram = 220, kCaption = 28;
    QImage out(2 * w, h + kCaption + kHistogram, QImage::Format_RGB32);
    out.fill(QColor(16, 16, 16));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(0, 0, toImage(a.views.left));
    p.drawImage(w, 0, toImage(a.views.right));
    const DisparityRange r = shownRange(a);
    drawDepthOverlay(p, a.depth, r, QRect(0, 0, w, h));
    if (a.matched) drawCoverage(p, a.evidence, QRect(w, 0, w, h));
    // The pairs the fit kept, coloured by depth; every fifth joined across the two eyes.
    for (std::size_t i = 0; i < a.pairs.left.size(); ++i) {
        const std::vector<double>& pairPct = a.correction.disparity.pct;
        const QColor colour = i < pairPct.size() ? depthColour(pairPct[i], r) : QColor(Qt::yellow);
        const QPointF l(a.pairs.left[i].x, a.pairs.left[i].y), rr(w + a.pairs.right[i].x, a.pairs.right[i].y);
        p.setPen(QPen(colour, 1.5));
        p.drawEllipse(l, 3, 3);
        p.drawEllipse(rr, 3, 3);
        if (i % 5 == 0) {
            QColor faint = colour;
            faint.setAlpha(110);
            p.setPen(QPen(faint, 1));
            p.drawLine(l, rr);
        }
    }
    p.setPen(Qt::white);
    const Misalignment& m = a.correction.measured;
    const QString caption =
        a.ok
            ? QString(
                  "%1 pairs of %2 matches   right eye vs left: vertical %3 px, rotation %4 deg, scale %5 %   "
                  "after correction: %6 px, %7 deg, %8 %")
                  .arg(a.pairs.left.size())
                  .arg(a.pairs.matches)
                  .arg(m.verticalPx, 0, 'f', 2)
                  .arg(m.rotationDeg, 0, 'f', 3)
                  .arg(m.scalePct, 0, 'f', 2)
                  .arg(a.correction.residual.verticalPx, 0, 'f', 3)
                  .arg(a.correction.residual.rotationDeg, 0, 'f', 3)
                  .arg(a.correction.residual.scalePct, 0, 'f', 3)
            : QString::fromStdString("no correction, " + verdictLine(a));
    p.drawText(QRect(8, h, 2 * w - 16, kCaption), Qt::AlignVCenter | Qt::AlignLeft, caption);
    drawHistogram(p, QRect(0, h + kCaption, 2 * w, kHistogram), r);
    p.end();
    return out;
}

}  // namespace depthscope
