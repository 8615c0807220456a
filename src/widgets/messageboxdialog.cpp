#include "messageboxdialog.h"

#include <QMessageBox>

#include <array>

using namespace Qt::StringLiterals;

void MessageBoxDialog::show(const QString &text, const QString &title, Style style,
                            std::function<void()> closed)
{
    // The icon is the style value's bits 4 to 6, as with the classic message box types
    static constexpr std::array kIcons {QMessageBox::NoIcon, QMessageBox::Critical,
                                        QMessageBox::Question, QMessageBox::Warning,
                                        QMessageBox::Information};
    const auto iconBits = std::size_t((int(style) & 0x70) >> 4);
    const QMessageBox::Icon icon
        = iconBits < kIcons.size() ? kIcons[iconBits] : QMessageBox::NoIcon;
    auto *const box = new QMessageBox(icon, title, text, QMessageBox::Ok, m_parent);
    box->setObjectName(u"MessageBox"_s);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] { closed(); });
    box->open();
}
