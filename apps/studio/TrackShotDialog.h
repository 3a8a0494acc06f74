#pragma once
// Asks which frames "Track Shot..." presses the parallax tool at ("A-B", or "A-BxN" for every
// N-th) and over how many keys its corrections are smoothed.

#include <QDialog>
#include <optional>

#include "Session.h"

class QLabel;
class QLineEdit;
class QSpinBox;

namespace duovis::studio {

class TrackShotDialog : public QDialog {
    Q_OBJECT

  public:
    TrackShotDialog(int first, int last, QWidget* parent = nullptr);

    // The request the fields hold; nullopt, saying why under them, when the frames do not read.
    std::optional<Session::ShotRequest> request();

    // Shows the dialog; nullopt when the person cancels.
    static std::optional<Session::ShotRequest> ask(QWidget* parent, int first, int last);

  private:
    QLineEdit* frames_;
    QSpinBox* smooth_;
    QLabel* problem_;
};

}  // namespace duovis::studio
