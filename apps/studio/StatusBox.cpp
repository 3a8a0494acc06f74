#include "StatusBox.h"

#include <QLabel>
#include <QPalette>
#include <QSizePolicy>

#include <algorithm>

namespace duovis::studio {

QLabel* makeStatusBox(QWidget* parent, int minHeight) {
    auto* box = new QLabel(parent);
    box->setWordWrap(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setFrameShape(QFrame::StyledPanel);
    box->setMargin(3);
    // A field's colours: the theme's strongest contrast, unlike the effect's grey on black.
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Base);
    box->setForegroundRole(QPalette::Text);
    box->setMinimumHeight(std::max(minHeight, 0));
    box->setMinimumWidth(0);
    box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
    return box;
}

}  // namespace duovis::studio
