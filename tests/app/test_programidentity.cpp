// What main() sets up before the window: Qt's own texts in the program's language, and every
// request going through the system's proxy.

#include "app/programidentity.h"
#include "downloads/downloadmanager.h"
#include "widgets/reportlistview.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "catalogueservice.h"
#include "localhttpserver.h"
#include "testwindow.h"
#include "timescale.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The texts a user meets most: the save dialog, a message box button, and the copy and select
// all entries of a text box's context menu
QStringList qtTexts()
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QMessageBox box(QMessageBox::Warning, u"t"_s, u"t"_s, QMessageBox::Ok);
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts {dialog.labelText(QFileDialog::LookIn), dialog.labelText(QFileDialog::Accept),
                       dialog.labelText(QFileDialog::Reject), box.button(QMessageBox::Ok)->text()};
    // The entries carry their shortcuts after a tab
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions) {
        const QString text = action->text();
        if (text.endsWith("\tCtrl+C"_L1) || text.endsWith("\tCtrl+A"_L1))
            texts.append(text.section(u'\t', 0, 0));
    }
    return texts;
}

// A plain HTTP proxy on loopback: it sends every request it is given to the stand-in service,
// whatever host the request names, and notes each one with its client's name.
class ForwardingProxy {
public:
    explicit ForwardingProxy(quint16 servicePort) : m_servicePort(servicePort)
    {
        m_server.server().Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
            forward(req, res);
        });
    }

    bool start() { return m_server.start(); }
    QString address() const { return m_server.url(QString()); }

    // "target | user agent" of every request, in order
    QStringList requests() const
    {
        const QMutexLocker lock(&m_lock);
        return m_requests;
    }

private:
    void forward(const httplib::Request &req, httplib::Response &res)
    {
        // A proxy is asked for absolute addresses: keep the path and query
        const QString target = QString::fromStdString(req.target);
        const QString local = target.mid(target.indexOf(u'/', target.indexOf("//"_L1) + 2));
        {
            const QMutexLocker lock(&m_lock);
            m_requests.append(target + u" | "_s
                              + QString::fromStdString(req.get_header_value("User-Agent")));
        }
        httplib::Client service("127.0.0.1", m_servicePort);
        const httplib::Result answer = service.Get(local.toStdString());
        if (!answer) {
            res.status = 502;
            return;
        }
        // A whole answer is left to the library, which cuts out a requested range itself
        if (answer->status != 200)
            res.status = answer->status;
        res.set_content(answer->body, answer->get_header_value("Content-Type"));
    }

    const quint16 m_servicePort;
    LocalHttpServer m_server;
    mutable QMutex m_lock;
    QStringList m_requests;
};

// Sets an environment variable for one scope
class ScopedVariable {
public:
    ScopedVariable(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_wasSet;
};

} // namespace

class ProgramIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void qtTextsInProgramLanguage_data();
    void qtTextsInProgramLanguage();
    void requestsFollowSystemProxy();
};

void ProgramIdentityTest::cleanup()
{
    const QList<QTranslator *> translators = qApp->findChildren<QTranslator *>();
    for (QTranslator *translator : translators) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void ProgramIdentityTest::qtTextsInProgramLanguage_data()
{
    QTest::addColumn<QByteArray>("named"); // QUILLPOD_QT_LOCALE; null: not set
    QTest::addColumn<QStringList>("texts");

    const QStringList chinese {u"查找范围："_s, u"保存(&S)"_s, u"取消"_s,
                               u"确定"_s,       u"复制(&C)"_s, u"全选"_s};
    // Whatever the system's locale (the tests run under the one of the machine)
    QTest::newRow("not set") << QByteArray() << chinese;
    QTest::newRow("empty") << QByteArray("") << chinese;
    QTest::newRow("unknown name") << QByteArray("xx_QQ") << chinese;
    QTest::newRow("English") << QByteArray("en_US")
                             << QStringList {u"Look in:"_s, u"&Save"_s, u"Cancel"_s,
                                             u"OK"_s,       u"&Copy"_s, u"Select All"_s};
    QTest::newRow("Japanese") << QByteArray("ja_JP")
                              << QStringList {u"アドレス:"_s, u"保存(&S)"_s,   u"キャンセル"_s,
                                              u"OK"_s,        u"コピー(&C)"_s, u"すべてを選択"_s};
}

void ProgramIdentityTest::qtTextsInProgramLanguage()
{
    QFETCH(QByteArray, named);
    QFETCH(QStringList, texts);

    const ScopedVariable locale("QUILLPOD_QT_LOCALE", named);
    installQtTranslations();
    QCOMPARE(qtTexts(), texts);
    // The player's own texts come from the second catalogue
    QCOMPARE(qApp->findChildren<QTranslator *>().size(), 2);
}

void ProgramIdentityTest::requestsFollowSystemProxy()
{
    const CatalogueService service({u"--media-seconds"_s, u"1"_s});
    QVERIFY(service.isRunning());
    ForwardingProxy proxy(service.port());
    QVERIFY(proxy.start());
    const ScopedVariable httpProxy("http_proxy", proxy.address().toUtf8());
    const ScopedVariable noProxy("no_proxy", QByteArray());
    const ScopedVariable noProxyUpper("NO_PROXY", QByteArray());
    // Qt 6.4 follows the system by default on Linux; the program must not depend on that
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    followSystemProxy();

    // A host name only the proxy knows: a request that does not go through it fails
    const QString base = u"http://catalogue.test:%1"_s.arg(service.port());
    const QTemporaryDir folder;
    {
        TestWindow window(base);
        QVERIFY(window.load()); // the list run, then the background track
        QVERIFY(window.show());
        QCOMPARE(window.songs().size(), 205);
        window.window().downloads().setTargetDirectory(folder.path());
        QSignalSpy downloaded(&window.window().downloads(), &DownloadManager::finished);
        window.clickRow(1);
        QTRY_VERIFY_WITH_TIMEOUT(!window.box(u"linkBox"_s)->text().isEmpty(), scaled(5000));
        QTest::mouseClick(window.button(u"downloadButton"_s), Qt::LeftButton);
        QVERIFY(downloaded.wait(scaled(10000)));
        QVERIFY(downloaded.at(0).at(1).toBool());
        // The player fetches the background track on its own
        // (its user agent is that of the media backend's HTTP client: GStreamer's or FFmpeg's)
        const QRegularExpression byPlayer(u"/music/.* \\| (GStreamer|Lavf)"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!proxy.requests().filter(byPlayer).isEmpty(), scaled(10000));
    }
    QNetworkProxyFactory::setApplicationProxyFactory(nullptr);

    const QStringList seen = proxy.requests();
    for (const QString &kind :
         {u"act=getmusiclist"_s, u"act=getbglist"_s, u"act=getonemusic"_s, u"/music/"_s}) {
        const QStringList requests = seen.filter(kind);
        QVERIFY2(!requests.isEmpty(), qPrintable(kind));
        QVERIFY2(requests.first().startsWith(base), qPrintable(requests.first()));
    }
    // The program's own requests and the player's both
    QVERIFY(seen.filter(u"/music/"_s).size() >= 2);
    // The service saw each of them, through the proxy
    QCOMPARE(service.requestTargets().size(), seen.size());
}

QTEST_MAIN(ProgramIdentityTest)
#include "test_programidentity.moc"
