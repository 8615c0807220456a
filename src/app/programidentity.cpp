#include "programidentity.h"

#include "buildconfig.h"
#include "common/logging.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QTranslator>
#include <QUrl>

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kQtLocaleVariable = "QUILLPOD_QT_LOCALE";
constexpr auto kServiceBaseVariable = "QUILLPOD_SERVICE_BASE";
constexpr auto kProgramLocale = "zh_CN"_L1;

// The system's proxy for an address's scheme, host and port. libproxy 0.5 (Debian 13) answers
// "no proxy" for an address whose path escapes bytes that are not UTF-8, as the GBK file names of
// the service's songs are; which proxy serves a host does not depend on the path anyway.
class SystemProxyByHost : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        QNetworkProxyQuery hostOnly(query);
        hostOnly.setUrl(query.url().adjusted(QUrl::RemovePath | QUrl::RemoveQuery
                                             | QUrl::RemoveFragment | QUrl::RemoveUserInfo));
        return systemProxyForQuery(hostOnly);
    }
};

// The locale that QUILLPOD_QT_LOCALE names, or the program's own
QLocale qtTextLocale()
{
    const QString named = qEnvironmentVariable(kQtLocaleVariable);
    if (named.isEmpty())
        return QLocale(kProgramLocale);
    const QLocale locale(named);
    if (locale.language() != QLocale::C)
        return locale;
    qCWarning(lcApp) << kQtLocaleVariable << "names no locale Qt knows:" << named;
    return QLocale(kProgramLocale);
}

} // namespace

void setProgramIdentity()
{
    QGuiApplication::setOrganizationName(u"quillpod"_s);
    QGuiApplication::setOrganizationDomain(u"quillpod.org"_s);
    // Also the window's class on X11 (WM_CLASS), which the desktop entry's StartupWMClass names
    QGuiApplication::setApplicationName(u"quillpod"_s);
    QGuiApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // No display name: Qt would append it to every window's title, and the main window's
    // caption names the program already
    QGuiApplication::setDesktopFileName(u"org.quillpod.Quillpod"_s);
}

QIcon programIcon()
{
    // The resources live in a static library, whose registration nothing else would pull in
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
    QIcon icon;
    for (const auto name : {"quillpod-32.png"_L1, "quillpod-256.png"_L1, "quillpod.svg"_L1})
        icon.addFile(u":/quillpod/icons/"_s + name);
    return icon;
}

void installQtTranslations()
{
    const QLocale locale = qtTextLocale();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const auto module : {"qtbase"_L1, "qtmultimedia"_L1}) {
        // Owned by the application, which uses it until the end
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(locale, module, u"_"_s, folder)) {
            QCoreApplication::installTranslator(translator);
            continue;
        }
        qCWarning(lcApp) << "Qt's own texts stay in English: no" << module << "translation for"
                         << locale.name() << "in" << folder;
        delete translator;
    }
}

QString catalogueServiceBase()
{
    const QString given = qEnvironmentVariable(kServiceBaseVariable);
    if (given.isEmpty())
        return QString::fromUtf8(kServiceBase);
    const QUrl url(given, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https")) {
        qCInfo(lcApp) << "Catalogue service from" << kServiceBaseVariable << given;
        QString base = given;
        while (base.endsWith(u'/'))
            base.chop(1);
        return base;
    }
    qCWarning(lcApp) << kServiceBaseVariable << "is no http or https address, using" << kServiceBase
                     << "instead of" << given;
    return QString::fromUtf8(kServiceBase);
}

void followSystemProxy()
{
    QNetworkProxyFactory::setApplicationProxyFactory(new SystemProxyByHost);
}
