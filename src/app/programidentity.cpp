#include "programidentity.h"

#include <QGuiApplication>

using namespace Qt::StringLiterals;

void setProgramIdentity()
{
    QGuiApplication::setOrganizationName(u"quillpod"_s);
    QGuiApplication::setOrganizationDomain(u"quillpod.org"_s);
    QGuiApplication::setApplicationName(u"quillpod"_s);
    QGuiApplication::setApplicationDisplayName(u"Quillpod"_s);
    QGuiApplication::setDesktopFileName(u"org.quillpod.Quillpod"_s);
}
