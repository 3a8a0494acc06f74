#include "TrackShotDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace duovis::studio {

TrackShotDialog::TrackShotDialog(int first, int last, QWidget* parent)
    : QDialog(parent),
      frames_(new QLineEdit(QStringLiteral("%1-%2").arg(first).arg(last), this)),
      smooth_(new QSpinBox(this)),
      problem_(new QLabel(this)) {
    setWindowTitle(tr("Track Shot"));
    frames_->setObjectName(QStringLiteral("shot-frames"));
    frames_->setToolTip(tr("A-B, or A-BxN for every N-th frame, by the footage's own frame numbers"));
    smooth_->setObjectName(QStringLiteral("shot-smooth"));
    smooth_->setRange(1, 999);
    smooth_->setToolTip(tr("The keys each correction is smoothed over; 1 keeps them as measured"));
    auto* form = new QFormLayout(this);
    form->addRow(tr("Frames:"), frames_);
    form->addRow(tr("Smooth over:"), smooth_);
    form->addRow(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (request()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<Session::ShotRequest> TrackShotDialog::request() {
    try {
        Session::ShotRequest r;
        r.frames = session::parseFrameRange(frames_->text().trimmed().toStdString(), "frames");
        r.smooth = smooth_->value();
        problem_->clear();
        return r;
    } catch (const std::exception& e) {
        problem_->setText(QString::fromStdString(e.what()));
        return std::nullopt;
    }
}

std::optional<Session::ShotRequest> TrackShotDialog::ask(QWidget* parent, int first, int last) {
    TrackShotDialog dialog(first, last, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.request();
}

}  // namespace duovis::studio
