#include "ShotReport.h"

#include "Analysis.h"
#include "session/Numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

#include <cmath>
#include <new>
#include <stdexcept>

namespace depthscope {

namespace {

// To a ten-thousandth of a percent, far finer than the map resolves, without float noise.
QString number(double v) {
    return std::isfinite(v) ? QString::number(std::round(v * 1e4) / 1e4, 'g', 12) : QStringLiteral("null");
}

// A string as JSON spells it, quotes and escapes included.
QString quoted(const std::string& text) {
    const QByteArray array =
        QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString frameJson(const FrameDepth& d) {
    QString s = QStringLiteral(
                    "{\"frame\": %1, \"disparity_pct\": {\"near\": %2, \"far\": %3}, "
                    "\"beyond_limits\": %4")
                    .arg(d.frame)
                    .arg(d.measured ? number(d.nearPct) : QStringLiteral("null"))
                    .arg(d.measured ? number(d.farPct) : QStringLiteral("null"))
                    .arg(d.beyond ? QStringLiteral("true") : QStringLiteral("false"));
    if (!d.measured) s += QStringLiteral(", \"measured\": false, \"reason\": ") + quoted(d.reason);
    return s + QStringLiteral("}");
}

std::string signedPct(double v) {
    return QString::asprintf("%+.3f %%", v).toStdString();
}

}  // namespace

ComfortLimits parseComfortLimits(const std::string& text) {
    const auto comma = text.find(',');
    const auto refuse = [&] {
        return std::runtime_error("--limits: '" + text +
                                  "' is not NEAR,FAR: two numbers, NEAR below FAR, in percent of the eye "
                                  "width (such as -1,2)");
    };
    if (comma == std::string::npos) throw refuse();
    ComfortLimits limits;
    try {
        limits.nearPct = duovis::session::parseDouble(text.substr(0, comma), "--limits");
        limits.farPct = duovis::session::parseDouble(text.substr(comma + 1), "--limits");
    } catch (const std::runtime_error&) {
        throw refuse();
    }
    if (!(limits.nearPct < limits.farPct)) throw refuse();
    return limits;
}

bool beyondLimits(double nearPct, double farPct, const ComfortLimits& limits) {
    return nearPct < limits.nearPct || farPct > limits.farPct;
}

FrameDepth measureFrame(int frame, const EyeViews& views, const ComfortLimits& limits) {
    FrameDepth d;
    d.frame = frame;
    Analysis a;
    try {
        a = analyse(views, duovis::ParamValues::defaults());
    } catch (const cv::Exception& e) {
        throw std::runtime_error("frame " + std::to_string(frame) + ": OpenCV: " + e.err);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("frame " + std::to_string(frame) + ": not enough memory");
    }
    if (!a.ok) {
        d.reason = a.error;
    } else if (!a.depth.measured) {
        d.reason =
            QString::asprintf("only %.0f %% of the picture matched", a.depth.validShare * 100).toStdString();
    } else {
        d.measured = true;
        d.nearPct = a.depth.nearPct;
        d.farPct = a.depth.farPct;
        d.beyond = beyondLimits(d.nearPct, d.farPct, limits);
    }
    return d;
}

QByteArray shotJson(const std::vector<FrameDepth>& frames, const ComfortLimits& limits) {
    QString s = QStringLiteral("{\"frames\": [");
    for (std::size_t i = 0; i < frames.size(); ++i)
        s += (i ? QStringLiteral(",\n  ") : QStringLiteral("\n  ")) + frameJson(frames[i]);
    s += QStringLiteral("\n], \"limits_pct\": {\"near\": %1, \"far\": %2}}\n")
             .arg(number(limits.nearPct), number(limits.farPct));
    return s.toUtf8();
}

std::string frameLine(const FrameDepth& d, const ComfortLimits& limits) {
    std::string line = "frame " + std::to_string(d.frame) + ": ";
    if (!d.measured) return line + "not measured: " + d.reason;
    line += "near " + signedPct(d.nearPct) + ", far " + signedPct(d.farPct);
    if (d.nearPct < limits.nearPct) line += "; nearer than the limit " + signedPct(limits.nearPct);
    if (d.farPct > limits.farPct) line += "; farther than the limit " + signedPct(limits.farPct);
    return line;
}

}  // namespace depthscope
