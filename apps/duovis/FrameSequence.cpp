#include "FrameSequence.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace duovis::cli {

namespace {

const QRegularExpression& field() {
    static const QRegularExpression re(QStringLiteral("%(0?)(\\d*)d"));
    return re;
}

}  // namespace

bool FrameSequence::looksLikePattern(const QString& name) {
    return field().match(name).hasMatch();
}

QString FrameSequence::expand(const QString& name, int frame) {
    const auto m = field().match(name);
    if (!m.hasMatch()) return name;
    const int width = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    const QChar fill = m.captured(1).isEmpty() ? QChar(' ') : QChar('0');
    QString number = QString::number(frame).rightJustified(width, fill);
    QString out = name;
    out.replace(m.capturedStart(), m.capturedLength(), number);
    return out;
}

FrameSequence::FrameSequence(const QString& name) : name_(name), pattern_(looksLikePattern(name)) {
    if (!pattern_) return;
    // Frame numbers come from the names on disk that the pattern could have made.
    for (const QString& entry : QFileInfo(name).dir().entryList(QDir::Files)) {
        const std::optional<int> n = frameNamed(entry);
        if (!n) continue;
        first_ = first_ ? std::min(*first_, *n) : *n;
        last_ = last_ ? std::max(*last_, *n) : *n;
    }
}

std::optional<int> FrameSequence::frameNamed(const QString& fileName) const {
    if (!pattern_) return std::nullopt;
    const QString base = QFileInfo(name_).fileName();
    const auto m = field().match(base);
    if (!m.hasMatch()) return std::nullopt;  // the number field sits in a directory name
    const QString before = QRegularExpression::escape(base.left(m.capturedStart()));
    const QString after = QRegularExpression::escape(base.mid(m.capturedEnd()));
    const auto fm = QRegularExpression("^" + before + "(\\d+)" + after + "$").match(fileName);
    bool ok = false;
    const int n = fm.hasMatch() ? fm.captured(1).toInt(&ok) : 0;
    if (!ok || expand(base, n) != fileName) return std::nullopt;
    return n;
}

QString FrameSequence::directory() const {
    return QFileInfo(name_).path();
}

QString FrameSequence::fileFor(int frame) const {
    return expand(name_, frame);
}

}  // namespace duovis::cli
