#include "mprisrootadaptor.h"

#include "widgets/windowfront.h"

#include <QWidget>

using namespace Qt::StringLiterals;

MprisRootAdaptor::MprisRootAdaptor(QWidget &window, QObject *service)
    : QDBusAbstractAdaptor(service), m_window(window)
{
}

QString MprisRootAdaptor::identity() const
{
    return u"Quillpod"_s;
}

QString MprisRootAdaptor::desktopEntry() const
{
    return u"org.quillpod.Quillpod"_s;
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    // The player takes web addresses only
    return {u"http"_s, u"https"_s};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return {u"audio/wav"_s,  u"audio/x-wav"_s, u"audio/mpeg"_s, u"audio/ogg"_s,
            u"audio/flac"_s, u"audio/aac"_s,   u"audio/mp4"_s,  u"audio/x-ms-wma"_s};
}

void MprisRootAdaptor::Raise()
{
    bringToFront(m_window);
}

void MprisRootAdaptor::Quit()
{
    // As the close button does, so that the exit page still opens. Queued: the caller gets its
    // reply before the program ends.
    QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
}
