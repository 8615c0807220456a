#include "messageboxdialog.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

void MessageBoxDialog::show(const QString &text, const QString &title, int style)
{
    // The icon is the style value's bits 4 to 6, as with the classic message box types
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case 0x10:
        icon = QMessageBox::Critical;
        break;
    case 0x20:
        icon = QMessageBox::Question;
        break;
    case 0x30:
        icon = QMessageBox::Warning;
        break;
    case 0x40:
        icon = QMessageBox::Information;
        break;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, m_parent);
    box.setObjectName(u"MessageBox"_s);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
