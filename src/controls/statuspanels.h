#pragma once

#include <QString>

// The two text panels of the status bar `statusBarWidget`, numbered 1 and 2.
class StatusPanels {
public:
    virtual ~StatusPanels() = default;
    virtual QString panelText(int panel) const = 0;
    virtual void setPanelText(int panel, const QString &text) = 0;
    virtual void setToolTipText(const QString &text) = 0;
};
