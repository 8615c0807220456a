#include "typeaheadbox.h"

#include <QColor>
#include <QEvent>
#include <QPalette>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace {
// From the corner of the list, and around the text
constexpr int kMargin = 4;
// A text that finds no row, when no skin colours it: dark red, readable on a tooltip's yellow
constexpr QColor kNoMatchColour(0xb0, 0x10, 0x10);
} // namespace

const QString TypeAheadBox::kNoMatchHint = u"无匹配"_s;

TypeAheadBox::TypeAheadBox(QWidget *area) : QLabel(area)
{
    // The skin styles it as "#typeAhead", and by its "found" property
    setObjectName(u"typeAhead"_s);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Box);
    setMargin(kMargin);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    hide();

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(kCloseAfter);
    connect(&m_closeTimer, &QTimer::timeout, this, &QWidget::hide);
    area->installEventFilter(this);
}

void TypeAheadBox::showTyped(const QString &typed, bool found)
{
    setText(found ? typed : u"%1  %2"_s.arg(typed, kNoMatchHint));
    if (property("found").toBool() != found || !isVisible()) {
        QPalette colours; // the rest as the list's
        if (!found)
            colours.setColor(QPalette::ToolTipText, kNoMatchColour);
        setPalette(colours);
        // Style sheets read dynamic properties only when a widget is polished
        setProperty("found", found);
        style()->unpolish(this);
        style()->polish(this);
    }
    show();
    raise();
    place();
    m_closeTimer.start();
}

void TypeAheadBox::moveEvent(QMoveEvent *event)
{
    QLabel::moveEvent(event);
    // Scrolling the list moves its children with its rows: the box goes back to its corner
    if (isVisible())
        place();
}

bool TypeAheadBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}

void TypeAheadBox::place()
{
    resize(sizeHint());
    const QRect area = parentWidget()->rect();
    move(area.right() - width() - kMargin + 1, area.bottom() - height() - kMargin + 1);
}
