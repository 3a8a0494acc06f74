#include "session/NumberedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <stdexcept>

#include "session/FrameSequence.h"

namespace duovis::session {

std::optional<QString> sequencePatternFor(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    // The last run of digits before the extension is the frame number.
    static const QRegularExpression number(QStringLiteral("^(.*?)(\\d+)(\\.[^.\\d]*)?$"));
    const QRegularExpressionMatch m = number.match(name);
    try {
        if (!m.hasMatch() || FrameSequence::looksLikePattern(name)) return std::nullopt;
    } catch (const std::runtime_error&) {
        return std::nullopt;  // already a pattern, and not one that works
    }
    const QString digits = m.captured(2);
    const QString field = digits.size() > 1 && digits.startsWith(QLatin1Char('0'))
                              ? QStringLiteral("%0") + QString::number(digits.size()) + QLatin1Char('d')
                              : QStringLiteral("%d");
    QString literal = m.captured(1) + QStringLiteral("\x01") + m.captured(3);
    literal.replace(QLatin1Char('%'), QStringLiteral("%%"));
    literal.replace(QStringLiteral("\x01"), field);
    const QString pattern = info.dir().filePath(literal);
    try {
        const FrameSequence sequence(pattern);
        if (sequence.empty() || sequence.first() == sequence.last()) return std::nullopt;
        if (!sequence.frameNamed(name)) return std::nullopt;
        return pattern;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

}  // namespace duovis::session
