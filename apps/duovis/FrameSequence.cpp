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
    const QFileInfo info(name);
    const QString base = info.fileName();
    const auto m = field().match(base);
    if (!m.hasMatch()) return;  // the number field sits in a directory name
    const QString before = QRegularExpression::escape(base.left(m.capturedStart()));
    const QString after = QRegularExpression::escape(base.mid(m.capturedEnd()));
    const QRegularExpression frameName("^" + before + "(\\d+)" + after + "$");
    for (const QString& entry : info.dir().entryList(QDir::Files)) {
        const auto fm = frameName.match(entry);
        if (!fm.hasMatch()) continue;
        bool ok = false;
        const int n = fm.captured(1).toInt(&ok);
        if (!ok || expand(base, n) != entry) continue;
        first_ = first_ ? std::min(*first_, n) : n;
        last_ = last_ ? std::max(*last_, n) : n;
    }
}

QString FrameSequence::fileFor(int frame) const {
    return expand(name_, frame);
}

}  // namespace duovis::cli
