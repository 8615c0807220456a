#include "windowfront.h"

#include <QWidget>

void bringToFront(QWidget &window)
{
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}
