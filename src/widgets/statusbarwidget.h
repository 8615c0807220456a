#pragma once

#include "framethrottle.h"

#include <QStatusBar>

class QLabel;

// The status bar `statusBarWidget`: two plain-text panels. Messages of QStatusBar itself are never
// used, because they hide the panels.
//
// A list run writes both panels for every page, far more often than a screen shows them: the
// panels take their newest texts at most once per frame. panelText() is always the newest text.
// A text too long for its panel ends in "…" there, and the panel's tooltip gives it whole.
class StatusBarWidget : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusBarWidget(QWidget *parent = nullptr);

    // The panels are numbered 1 and 2
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);
    void setToolTipText(const QString &text);

    QLabel *panel(int panel) const;
    // The tooltip as plain text
    QString toolTipText() const { return m_toolTipText; }

signals:
    // The pointer moved over the status bar or one of its panels
    void mouseMoved();
    // A panel came to show a different text
    void panelTextChanged(int panel);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void showTexts();
    // Shows a panel's text, cut to the panel's width
    void fitText(int index);

    QLabel *m_panels[2];
    QString m_texts[2];
    // The texts the panels show, whole
    QString m_shownTexts[2];
    FrameThrottle m_showTexts;
    QString m_toolTipText;
};
