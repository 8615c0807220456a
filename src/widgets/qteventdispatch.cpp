#include "qteventdispatch.h"

#include <QCoreApplication>

void QtEventDispatch::doEvents()
{
    QCoreApplication::processEvents();
}
