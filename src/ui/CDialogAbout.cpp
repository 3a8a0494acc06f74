#include "CDialogAbout.h"

namespace {

// The notice keeps the look it has on the maker's own systems: their dialog font at 10
// points, paragraphs set tight without margins.
const char* const kNoticeHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n"
    "</style></head><body style=\" font-family:'MS Shell Dlg 2'; font-size:10pt; font-weight:400; "
    "font-style:normal;\">\n";
const char* const kParagraph =
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px;\">%1</p>\n";
const char* const kEmptyParagraph =
    "<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; "
    "margin-right:0px; -qt-block-indent:0; text-indent:0px;\"><br /></p>\n";

}  // namespace

CDialogAbout::CDialogAbout(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    setModal(true);
}

void CDialogAbout::setName(const QString& text) {
    m_pLblName->setText(text.trimmed());
}

void CDialogAbout::setLogo(const QPixmap& logo) {
    m_pLblLogo->setPixmap(logo);
}

void CDialogAbout::setNotice(const QStringList& paragraphs) {
    QString html = QString::fromLatin1(kNoticeHead);
    for (const QString& p : paragraphs) {
        const QString text = p.trimmed();
        html += text.isEmpty() ? QString::fromLatin1(kEmptyParagraph)
                               : QString::fromLatin1(kParagraph).arg(text.toHtmlEscaped());
    }
    html += QStringLiteral("</body></html>");
    m_pTextEdit->setHtml(html);
}
