#include "programidentity.h"

#include "buildconfig.h"

#include <QGuiApplication>

using namespace Qt::StringLiterals;

void setProgramIdentity()
{
    QGuiApplication::setApplicationName(u"quillpod"_s);
    QGuiApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QGuiApplication::setApplicationDisplayName(u"Quillpod"_s);
    QGuiApplication::setDesktopFileName(u"org.quillpod.Quillpod"_s);
}
