#include "AboutCommand.h"

#include <QImage>
#include <QPixmap>

#include "AboutTexts.h"
#include "CDialogAbout.h"
#include "DeliverableTraits.h"
#include "DialogApplication.h"

namespace duovis {

namespace {

void showAboutBox() {
    DialogApplicationScope application;
    if (!application.ready()) return;
    // Declared after the application scope, so the dialog's widgets are gone before the
    // application object they belong to is deleted.
    CDialogAbout dialog;
    dialog.setWindowFlags(Qt::WindowStaysOnTopHint);
    dialog.setModal(true);
    const AboutTexts texts = aboutTexts(kThisDeliverable.deliverable);
    dialog.setName(texts.productName + QStringLiteral(", version ") + texts.version);
    dialog.setWindowTitle((QStringLiteral("About ") + texts.productName).trimmed());
    dialog.setLogo(QPixmap::fromImage(QImage(QStringLiteral(":/images/corvant.png"))));
    dialog.setNotice(texts.notice);
    dialog.exec();  // OK, Cancel and closing all end it; which one is of no consequence
}

}  // namespace

PF_Err showAbout() {
    try {
        showAboutBox();
    } catch (...) {
        // Nothing about the box is the host's concern; the dialog scope has cleaned up.
    }
    return PF_Err_NONE;
}

}  // namespace duovis
