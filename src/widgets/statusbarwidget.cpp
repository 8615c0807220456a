#include "statusbarwidget.h"

#include "songlist/shownprefix.h"

#include <QEvent>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

// The room that QStatusBar's own layout keeps above and below its items
constexpr int kSpaceAbove = 3;
constexpr int kSpaceBelow = 2;

// A tooltip that starts with markup would be shown as rich text: escape it first
QString plainToolTip(const QString &text)
{
    return text.isEmpty() ? text : u"<p style='white-space:pre'>%1</p>"_s.arg(text.toHtmlEscaped());
}

} // namespace

StatusBarWidget::StatusBarWidget(QWidget *parent)
    : QStatusBar(parent), m_showTexts([this] { showTexts(); })
{
    setSizeGripEnabled(false);
    setMouseTracking(true);
    for (int i = 0; i < 2; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(u"Panel%1"_s.arg(i + 1));
        // Panel texts come partly from the service: never interpret them as markup
        label->setTextFormat(Qt::PlainText);
        label->setMouseTracking(true);
        // The panels share the bar by their stretch, whatever their texts: a text too long for
        // its panel is cut with "…" rather than cut off
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->installEventFilter(this);
        addWidget(label, i == 0 ? 3 : 2);
        m_panels[i] = label;
    }
    // QStatusBar keeps a few pixels free above and below its panels, which leaves a bar of the
    // window's height too little for a line of text: it would cut off the lowest marks, an
    // underscore in a file name first. The panels take the whole height instead; a margin
    // below zero would otherwise be raised to the (empty) safe area of the screen.
    setAttribute(Qt::WA_ContentsMarginsRespectsSafeArea, false);
    setContentsMargins(0, -kSpaceAbove, 0, -kSpaceBelow);
}

QLabel *StatusBarWidget::panel(int panel) const
{
    return panel == 1 || panel == 2 ? m_panels[panel - 1] : nullptr;
}

QString StatusBarWidget::panelText(int panel) const
{
    return panel == 1 || panel == 2 ? m_texts[panel - 1] : QString();
}

void StatusBarWidget::setPanelText(int panel, const QString &text)
{
    if (!this->panel(panel) || m_texts[panel - 1] == text)
        return;
    m_texts[panel - 1] = text;
    m_showTexts.request();
}

void StatusBarWidget::showTexts()
{
    for (int i = 0; i < 2; ++i) {
        if (m_shownTexts[i] == m_texts[i])
            continue;
        m_shownTexts[i] = m_texts[i];
        fitText(i);
        emit panelTextChanged(i + 1);
    }
}

void StatusBarWidget::fitText(int index)
{
    QLabel *const label = m_panels[index];
    const QString text = ShownPrefix::of(m_shownTexts[index]);
    const QString fitted
        = label->fontMetrics().elidedText(text, Qt::ElideRight, label->contentsRect().width());
    label->setText(fitted);
    // The whole text, when the panel shows only part of it
    label->setToolTip(fitted == text ? QString() : plainToolTip(text));
}

void StatusBarWidget::setToolTipText(const QString &text)
{
    m_toolTipText = text;
    setToolTip(plainToolTip(ShownPrefix::of(text)));
}

bool StatusBarWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        emit mouseMoved();
    if (event->type() == QEvent::Resize) {
        for (int i = 0; i < 2; ++i) {
            if (watched == m_panels[i])
                fitText(i);
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

void StatusBarWidget::mouseMoveEvent(QMouseEvent *event)
{
    QStatusBar::mouseMoveEvent(event);
    emit mouseMoved();
}
