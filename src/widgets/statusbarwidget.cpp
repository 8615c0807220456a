#include "statusbarwidget.h"

#include <QEvent>
#include <QLabel>

StatusBarWidget::StatusBarWidget(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    setMouseTracking(true);
    for (int i = 0; i < 2; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        // Panel texts come partly from the service: never interpret them as markup
        label->setTextFormat(Qt::PlainText);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        addWidget(label, i == 0 ? 3 : 2);
        m_panels[i] = label;
    }
}

QLabel *StatusBarWidget::panel(int panel) const
{
    return panel == 1 || panel == 2 ? m_panels[panel - 1] : nullptr;
}

QString StatusBarWidget::panelText(int panel) const
{
    const QLabel *label = this->panel(panel);
    return label ? label->text() : QString();
}

void StatusBarWidget::setPanelText(int panel, const QString &text)
{
    QLabel *label = this->panel(panel);
    if (!label || label->text() == text)
        return;
    label->setText(text);
    emit panelTextChanged(panel);
}

void StatusBarWidget::setToolTipText(const QString &text)
{
    m_toolTipText = text;
    // A tooltip that starts with markup would be shown as rich text: escape it first
    setToolTip(text.isEmpty()
                   ? text
                   : QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped()));
}

bool StatusBarWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        emit mouseMoved();
    return QStatusBar::eventFilter(watched, event);
}

void StatusBarWidget::mouseMoveEvent(QMouseEvent *event)
{
    QStatusBar::mouseMoveEvent(event);
    emit mouseMoved();
}
