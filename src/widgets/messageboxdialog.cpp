#include "messageboxdialog.h"

#include <QMessageBox>

#include <array>

using namespace Qt::StringLiterals;

void MessageBoxDialog::show(const QString &text, const QString &title, int style)
{
    // The icon is the style value's bits 4 to 6, as with the classic message box types
    static constexpr std::array kIcons {QMessageBox::NoIcon, QMessageBox::Critical,
                                        QMessageBox::Question, QMessageBox::Warning,
                                        QMessageBox::Information};
    const auto iconBits = std::size_t((style & 0x70) >> 4);
    const QMessageBox::Icon icon
        = iconBits < kIcons.size() ? kIcons[iconBits] : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, m_parent);
    box.setObjectName(u"MessageBox"_s);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
