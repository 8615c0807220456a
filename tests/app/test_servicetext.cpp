// Text from the service is shown as text: no label and no tooltip lets Qt read it as markup.

#include "testwindow.h"

#include "downloads/downloadmanager.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "widgets/messageboxdialog.h"
#include "widgets/statusbarwidget.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// What markup in a song title or a link would do if it were rendered
const QString kMarkup = u"<img src=\"file:///etc/hostname\"><b>粗</b>&amp;"_s;

} // namespace

class ServiceTextTest : public QObject {
    Q_OBJECT

private slots:
    void everyLabelIsPlainText();
    void statusTooltipShowsMarkupLiterally();
};

void ServiceTextTest::everyLabelIsPlainText()
{
    TestWindow window(u"http://127.0.0.1:1"_s);
    QVERIFY(window.show());
    // Bring up every window that has labels: the full-screen view and a downloads row
    window.player()->setUrl(u"http://127.0.0.1:1/"_s + kMarkup);
    window.playerStrip()->setFullScreen(true);
    window.app().downloads().download(u"ftp://127.0.0.1/"_s + kMarkup);

    const QWidgetList widgets = QApplication::allWidgets();
    int labels = 0;
    for (const QWidget *widget : widgets) {
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            ++labels;
            QVERIFY2(label->textFormat() == Qt::PlainText,
                     qPrintable(label->objectName() + u' ' + label->text()));
        }
    }
    // Six captions, two panels, two time labels, the full-screen title, a name and a state
    QVERIFY(labels >= 13);
    window.playerStrip()->setFullScreen(false);

    // The message box too, though its one text is the program's own
    bool closed = false;
    MessageBoxDialog(&window.window())
        .show(kMarkup, u"标题"_s, MessageBox::Icon::Warning, MessageBox::Buttons::Ok,
              [&closed] { closed = true; });
    auto *const box = window.child<QMessageBox>(u"MessageBox"_s);
    QVERIFY(box);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    box->accept();
    QTRY_VERIFY(closed);
}

void ServiceTextTest::statusTooltipShowsMarkupLiterally()
{
    TestWindow window(u"http://127.0.0.1:1"_s);
    QVERIFY(window.show());
    // The timer would write the player's status into panel 2
    window.child<QTimer>(u"statusTimer"_s)->stop();
    StatusBarWidget *const status = window.status();
    status->setPanelText(1, kMarkup);
    status->setPanelText(2, u"a\n<i>b</i>"_s);
    QTest::mouseMove(status, QPoint(10, 5));

    // Qt shows the tooltip as rich text; what the user reads is the panels' text, unchanged
    QVERIFY(Qt::mightBeRichText(status->toolTip()));
    QTextDocument shown;
    shown.setHtml(status->toolTip());
    QCOMPARE(shown.toPlainText(), kMarkup + u"  | a\n<i>b</i>"_s);
}

QTEST_MAIN(ServiceTextTest)
#include "test_servicetext.moc"
