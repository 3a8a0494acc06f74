#include "session/FrameSequence.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <stdexcept>

#include "session/Numbers.h"

namespace duovis::session {

namespace {

constexpr int kWidestField = 16;

// A name split at its frame number field, the text around it with `%%` made `%`.
struct NameParts {
    QString before, after;
    bool hasField = false;
    int width = 0;
    QChar fill = ' ';
};

NameParts splitName(const QString& name) {
    static const QRegularExpression printfField(QStringLiteral("\\G%(0?)(\\d*)d"));
    NameParts parts;
    const auto field = [&](int width, QChar fill) {
        if (parts.hasField)
            throw std::runtime_error(name.toStdString() + ": a name takes one frame number field, not two");
        if (width > kWidestField)
            throw std::runtime_error(name.toStdString() + ": a frame number field is at most " +
                                     std::to_string(kWidestField) + " digits wide");
        parts.hasField = true;
        parts.width = width;
        parts.fill = fill;
    };
    for (int i = 0; i < name.size();) {
        QString& text = parts.hasField ? parts.after : parts.before;
        if (name.mid(i, 2) == QLatin1String("%%")) {
            text += '%';
            i += 2;
        } else if (const auto m = printfField.match(name, i); name[i] == '%' && m.hasMatch()) {
            bool fits = true;
            const int width = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt(&fits);
            field(fits ? width : kWidestField + 1, m.captured(1).isEmpty() ? ' ' : '0');
            i = m.capturedEnd();
        } else if (name[i] == '#') {
            int n = 0;
            while (i + n < name.size() && name[i + n] == '#') ++n;
            field(n, '0');
            i += n;
        } else {
            text += name[i++];  // a lone % stays a percent sign
        }
    }
    return parts;
}

QString join(const NameParts& parts, int frame) {
    if (!parts.hasField) return parts.before;
    return parts.before + QString::number(frame).rightJustified(parts.width, parts.fill) + parts.after;
}

}  // namespace

bool FrameSequence::looksLikePattern(const QString& name) {
    return splitName(name).hasField;
}

QString FrameSequence::expand(const QString& name, int frame) {
    return join(splitName(name), frame);
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
    const NameParts base = splitName(QFileInfo(name_).fileName());
    if (!base.hasField) return std::nullopt;  // the number field sits in a directory name
    const auto fm = QRegularExpression("^" + QRegularExpression::escape(base.before) + "( *\\d+)" +
                                       QRegularExpression::escape(base.after) + "$")
                        .match(fileName);
    bool ok = false;
    const int n = fm.hasMatch() ? fm.captured(1).trimmed().toInt(&ok) : 0;
    if (!ok || join(base, n) != fileName) return std::nullopt;
    return n;
}

QString FrameSequence::directory() const {
    return QFileInfo(name_).path();
}

QString FrameSequence::fileFor(int frame) const {
    return expand(name_, frame);
}

FrameRange parseFrameRange(const std::string& text, const std::string& what) {
    const auto refuse = [&]() {
        return std::runtime_error(what + ": '" + text +
                                  "' is not a frame N, a range A-B or a stepped range A-BxSTEP");
    };
    const auto number = [&](const std::string& part) {
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) throw refuse();
        return parseInt(part, what);
    };
    const auto dash = text.find('-');
    if (dash == std::string::npos) {
        const int n = number(text);
        return {n, n, 1};
    }
    const auto x = text.find('x', dash);
    FrameRange r;
    r.first = number(text.substr(0, dash));
    r.last = number(text.substr(dash + 1, x == std::string::npos ? std::string::npos : x - dash - 1));
    if (x != std::string::npos) r.step = number(text.substr(x + 1));
    if (r.last < r.first || r.step < 1) throw refuse();
    return r;
}

}  // namespace duovis::session
