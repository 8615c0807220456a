#include "messageboxdialog.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

QMessageBox::Icon qtIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageBox::Buttons buttons)
{
    switch (buttons) {
    case MessageBox::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

void MessageBoxDialog::show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                            std::function<void()> closed)
{
    auto *const box = new QMessageBox(qtIcon(icon), title, text, qtButtons(buttons), m_parent);
    box->setObjectName(u"MessageBox"_s);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] { closed(); });
    box->open();
}
