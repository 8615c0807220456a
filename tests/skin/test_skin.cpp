#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "skin/skinlibrary.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/typeaheadbox.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>

#include "contrast.h"

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A stand-in for the main window: the widget kinds and object names the skin targets, at the
// window's pixel geometry.
class SkinnedWindow : public QMainWindow {
public:
    SkinnedWindow()
    {
        setObjectName(u"MainWindow"_s);
        auto *const central = new QWidget(this);
        central->setFixedSize(450, 500);
        setCentralWidget(central);

        auto *const player = new MediaPlayerWidget(*new AudioPlayer(this), central);
        player->setObjectName(u"playerStrip"_s);
        player->setGeometry(0, 0, 449, 44);
        playerText = player->findChild<QLabel *>(u"timeLabel"_s);

        label = new QLabel(central);
        label->setObjectName(u"keywordLabel"_s);
        label->setGeometry(8, 48, 80, 16);
        keyword = new QLineEdit(central);
        keyword->setObjectName(u"keywordBox"_s);
        keyword->setGeometry(88, 48, 209, 18);
        search = new QPushButton(central);
        search->setObjectName(u"searchButton"_s);
        search->setGeometry(304, 43, 65, 25);
        site = new QPushButton(central);
        site->setObjectName(u"siteButton"_s);
        site->setGeometry(374, 43, 73, 25);

        frame = new QGroupBox(u"歌曲列表："_s, central);
        frame->setObjectName(u"songListFrame"_s);
        frame->setGeometry(0, 72, 449, 337);
        list = new ReportListView(frame);
        list->setObjectName(u"songList"_s);
        list->setGeometry(8, 16, 433, 313);
        list->setListModel(songs);
        // Narrower than the list, so that the last column's right end shows the rows' background
        for (int column = 0; column < songs.columnCount(); ++column)
            list->setColumnWidth(column, kColumnWidth);
        const QString pad(12, u' ');
        for (int row = 1; row <= kRows; ++row)
            songs.appendRows(
                {{u"夜曲%1"_s.arg(row) + pad, u"QP-%1"_s.arg(row) + pad, u"1"_s + pad}});
        songs.setErrorMark(0, u"无法播放该媒体"_s);
        songs.setPlayMark(1);
        songs.setFavourites(favourites);
        songs.setErrorMark(2, u"无法播放该媒体"_s);
        typeAhead = new TypeAheadBox(list->viewport());

        link = new QLineEdit(central);
        link->setObjectName(u"linkBox"_s);
        link->setReadOnly(true);
        link->setGeometry(104, 440, 289, 18);

        status = new QStatusBar(central);
        status->setObjectName(u"statusBar"_s);
        status->setSizeGripEnabled(false);
        status->setGeometry(0, 483, 450, 17);
        panel = new QLabel;
        status->addWidget(panel, 1);
    }

    QLabel *playerText = nullptr;
    QLabel *label = nullptr;
    QLineEdit *keyword = nullptr;
    QPushButton *search = nullptr;
    QPushButton *site = nullptr;
    // Row 2 carries the play mark, rows 1 and 3 the error mark
    static constexpr int kRows = 3;
    static constexpr int kColumnWidth = 100;
    QGroupBox *frame = nullptr;
    // Every row is a favourite, with a heart at the end of its title
    struct : SongMarks {
        bool isMarked(const QString &) const override { return true; }
    } favourites;
    SongListModel songs;
    ReportListView *list = nullptr;
    TypeAheadBox *typeAhead = nullptr;
    QLineEdit *link = nullptr;
    QStatusBar *status = nullptr;
    QLabel *panel = nullptr;
};

// The strongest contrast of a pixel of `area` against `back`: where a text's or a mark's strokes
// are solid
double strongestContrast(const QImage &image, const QRect &area, const QColor &back)
{
    double strongest = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            strongest = std::max(strongest, contrast(image.pixelColor(x, y), back));
    }
    return strongest;
}

QString bundledSkin()
{
    return QFINDTESTDATA("../resources/quillpod.she");
}

} // namespace

class SkinTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void glassSections_data();
    void glassSections();
    void unusableFileChangesNothing_data();
    void unusableFileChangesNothing();
    void glassRoundTrip_data();
    void glassRoundTrip();
    void glassBeforeAttach();

    void bundledSkinIsValid_data();
    void bundledSkinIsValid();
    void bundledSkinIsReadable_data();
    void bundledSkinIsReadable();
    void bundledSkinKeepsTextRoom();

private:
    QString writeSkin(const QString &name, const QByteArray &text) const;

    QTemporaryDir m_dir;
};

void SkinTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(!bundledSkin().isEmpty(), "resources/quillpod.she not found");
}

void SkinTest::cleanup()
{
    qApp->setStyleSheet(QString());
}

QString SkinTest::writeSkin(const QString &name, const QByteArray &text) const
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return QString();
    return path;
}

void SkinTest::glassSections_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("normalRules");
    QTest::addColumn<QStringList>("glassRules");
    // every rule of the normal skin, then every glass rule, in this order
    QTest::addColumn<QStringList>("frostedOrder");

    const QString a = u"#a{color:red}"_s;
    const QString b = u"#b{color:green}"_s;
    const QString c = u"#c{color:blue}"_s;

    QTest::newRow("no glass") << QByteArray("#a{color:red}\n#b{color:green}") << QStringList {a, b}
                              << QStringList {} << QStringList {a, b};
    QTest::newRow("glass between rules")
        << QByteArray("#a{color:red}\n/* @glass */\n#b{color:green}\n/* @end */\n#c{color:blue}")
        << QStringList {a, c} << QStringList {b} << QStringList {a, c, b};
    QTest::newRow("unterminated glass")
        << QByteArray("#a{color:red}\n/* @glass */\n#b{color:green}") << QStringList {a}
        << QStringList {b} << QStringList {a, b};
    QTest::newRow("two sections, loose markers")
        << QByteArray("/*@glass*/#b{color:green}/*  @end  */\n#a{color:red}\n"
                      "/*   @glass\n*/#c{color:blue}/* @end */")
        << QStringList {a} << QStringList {b, c} << QStringList {a, b, c};
    QTest::newRow("stray end marker") << QByteArray("#a{color:red} /* @end */ #b{color:green}")
                                      << QStringList {a, b} << QStringList {} << QStringList {a, b};
    QTest::newRow("UTF-8 comment") << QByteArray("/* 玻璃 */ #a{color:red}") << QStringList {a}
                                   << QStringList {} << QStringList {a};
}

void SkinTest::glassSections()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, normalRules);
    QFETCH(QStringList, glassRules);
    QFETCH(QStringList, frostedOrder);

    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.attachSkin(writeSkin(u"sections.she"_s, text), QString());
    QVERIFY(skin.attached());

    const QString normal = qApp->styleSheet();
    for (const QString &rule : std::as_const(normalRules))
        QVERIFY2(normal.contains(rule), qPrintable(rule));
    for (const QString &rule : std::as_const(glassRules))
        QVERIFY2(!normal.contains(rule), qPrintable(rule));

    skin.setGlass(true);
    const QString frosted = qApp->styleSheet();
    qsizetype from = 0;
    for (const QString &rule : std::as_const(frostedOrder)) {
        const qsizetype at = frosted.indexOf(rule, from);
        QVERIFY2(at >= 0, qPrintable(u"%1 missing or out of order"_s.arg(rule)));
        from = at + rule.size();
    }
}

void SkinTest::unusableFileChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("attachFirst");

    const QString missing = m_dir.filePath(u"missing.she"_s);
    QTest::newRow("missing file") << missing << false;
    QTest::newRow("directory") << m_dir.path() << false;
    QTest::newRow("empty path") << QString() << false;
    QTest::newRow("missing file after a skin") << missing << true;
    QTest::newRow("directory after a skin") << m_dir.path() << true;
}

void SkinTest::unusableFileChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(bool, attachFirst);

    const QString earlier = u"QLabel { color: #123456 }"_s;
    SkinLibrary skin(SkinLibrary::Translucency::Never);
    if (attachFirst) {
        skin.attachSkin(writeSkin(u"earlier.she"_s, earlier.toUtf8() + "/* @glass */#glass{}"),
                        QString());
    } else {
        qApp->setStyleSheet(earlier);
    }

    skin.attachSkin(path, u"any password"_s);
    QCOMPARE(qApp->styleSheet(), earlier);
    QCOMPARE(skin.attached(), attachFirst);

    // The earlier skin stays in charge of the glass effect
    skin.setGlass(true);
    QCOMPARE(qApp->styleSheet().contains("#glass"_L1), attachFirst);
}

void SkinTest::glassRoundTrip_data()
{
    QTest::addColumn<SkinLibrary::Translucency>("translucency");
    QTest::addColumn<bool>("attach");
    QTest::addColumn<bool>("translucent");

    const bool composites = SkinLibrary::windowSystemComposites();
    QTest::newRow("translucent windows") << SkinLibrary::Translucency::Always << true << true;
    QTest::newRow("opaque windows") << SkinLibrary::Translucency::Never << true << false;
    QTest::newRow("this window system")
        << SkinLibrary::Translucency::WhenComposited << true << composites;
    QTest::newRow("translucent, no skin") << SkinLibrary::Translucency::Always << false << true;
}

void SkinTest::glassRoundTrip()
{
    QFETCH(SkinLibrary::Translucency, translucency);
    QFETCH(bool, attach);
    QFETCH(bool, translucent);

    SkinnedWindow window;
    QMenu popup; // a popup is no window to turn to glass
    SkinLibrary skin(translucency);
    if (attach) {
        skin.attachSkin(bundledSkin(), QString());
        QVERIFY(skin.attached());
        skin.setGlass(false); // as start-up does
    }
    const QString sheet = qApp->styleSheet();
    const qreal opacity = window.windowOpacity();
    QCOMPARE(opacity, 1.0);

    skin.setGlass(true);
    QVERIFY(skin.glass());
    QCOMPARE(qApp->styleSheet() != sheet, attach);
    if (attach)
        QVERIFY(qApp->styleSheet().startsWith(sheet)); // glass rules follow the normal ones
    QCOMPARE(window.windowOpacity() < 1.0, translucent);
    if (translucent)
        QVERIFY(window.windowOpacity() > 0.8);
    QCOMPARE(popup.windowOpacity(), 1.0);

    skin.setGlass(false);
    QVERIFY(!skin.glass());
    QCOMPARE(qApp->styleSheet(), sheet);
    QCOMPARE(window.windowOpacity(), opacity);
}

void SkinTest::glassBeforeAttach()
{
    SkinnedWindow window;
    SkinLibrary skin(SkinLibrary::Translucency::Always);

    skin.setGlass(false);
    skin.setGlass(true);
    QVERIFY(!skin.attached());
    QVERIFY(qApp->styleSheet().isEmpty());

    // Attaching while the glass is on brings the frosted skin at once
    const QString path
        = writeSkin(u"late.she"_s, "#a{color:red}\n/* @glass */#b{color:green}/* @end */");
    skin.attachSkin(path, QString());
    QVERIFY(qApp->styleSheet().contains("#b{color:green}"_L1));

    skin.setGlass(false);
    QVERIFY(!qApp->styleSheet().contains("#b{color:green}"_L1));
    QVERIFY(qApp->styleSheet().contains("#a{color:red}"_L1));
    QCOMPARE(window.windowOpacity(), 1.0);
}

void SkinTest::bundledSkinIsValid_data()
{
    QTest::addColumn<bool>("glass");
    QTest::newRow("normal") << false;
    QTest::newRow("frosted") << true;
}

void SkinTest::bundledSkinIsValid()
{
    QFETCH(bool, glass);

    // Qt reports a style sheet it cannot parse only by a warning, at the first polish
    QTest::failOnWarning(
        QRegularExpression(u"style ?sheet"_s, QRegularExpression::CaseInsensitiveOption));
    SkinnedWindow window;
    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.attachSkin(bundledSkin(), QString());
    skin.setGlass(glass);
    QVERIFY(!qApp->styleSheet().trimmed().isEmpty());

    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());

    // Editable and read-only boxes must look different
    const auto background = [&](QWidget *widget) {
        return image.pixelColor(widget->mapTo(&window, QPoint(widget->width() / 2, 3)));
    };
    QVERIFY(background(window.keyword) != background(window.link));
}

void SkinTest::bundledSkinIsReadable_data()
{
    QTest::addColumn<bool>("glass");
    // Whether the text typed into the list finds a row
    QTest::addColumn<bool>("found");
    // Of the list, counted from 1: the row with the play mark, or one with an error mark
    QTest::addColumn<int>("selectedRow");
    QTest::newRow("normal") << false << true << 3;
    QTest::newRow("frosted") << true << true << 3;
    QTest::newRow("normal, typed text finds nothing") << false << false << 3;
    QTest::newRow("frosted, typed text finds nothing") << true << false << 3;
    QTest::newRow("normal, playing row selected") << false << true << 2;
    QTest::newRow("frosted, playing row selected") << true << true << 2;
}

void SkinTest::bundledSkinIsReadable()
{
    QFETCH(bool, glass);
    QFETCH(bool, found);
    QFETCH(int, selectedRow);

    SkinnedWindow window;
    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.attachSkin(bundledSkin(), QString());
    skin.setGlass(glass);
    window.typeAhead->showTyped(u"yq"_s, found);
    window.list->selectRow(selectedRow - 1);
    const QImage image = window.grab().toImage();

    struct Sample {
        const char *what;
        QWidget *widget;
        QPalette::ColorRole text;
        // Where the background shows: the middle, or in a box whose text fills its middle, the
        // left edge inside the border
        bool besideText = false;
    };
    const Sample samples[] = {
        {"label", window.label, QPalette::WindowText},
        {"keyword box", window.keyword, QPalette::Text},
        {"read-only box", window.link, QPalette::Text},
        {"search button", window.search, QPalette::ButtonText},
        {"site button", window.site, QPalette::ButtonText},
        {"song list", window.list->viewport(), QPalette::Text},
        {"status panel", window.panel, QPalette::WindowText},
        {"player time", window.playerText, QPalette::WindowText, true},
        {"typed text", window.typeAhead, QPalette::WindowText, true},
    };
    constexpr int kBorderAndMore = 2;
    // Normal text needs 4.5:1 to be comfortably readable
    for (const Sample &sample : samples) {
        sample.widget->ensurePolished();
        const QColor text = sample.widget->palette().color(sample.text);
        const QRect area = sample.widget->rect();
        const QPoint backAt
            = sample.besideText ? QPoint(kBorderAndMore, area.center().y()) : area.center();
        const QColor back = image.pixelColor(sample.widget->mapTo(&window, backAt));
        const double ratio = contrast(text, back);
        QVERIFY2(ratio >= 4.5,
                 qPrintable(u"%1: %2 on %3 is only %4:1"_s
                                .arg(QString::fromLatin1(sample.what), text.name(), back.name())
                                .arg(ratio, 0, 'f', 1)));
    }

    // Texts and marks in colours of the skin's sub-controls and of the list's rows, as drawn:
    // their strongest pixel against the background beside them
    struct Drawn {
        QString what;
        QRect area;
        QPoint backAt;
    };
    QList<Drawn> drawn;
    const ReportListView &list = *window.list;
    const QPoint listAt = list.viewport()->mapTo(&window, QPoint());
    const int markWidth = list.style()->pixelMetric(QStyle::PM_SmallIconSize) + 3 * kBorderAndMore;
    for (int row = 0; row < SkinnedWindow::kRows; ++row) {
        const QRect cell = list.visualRect(list.listModel().index(row, 0)).translated(listAt);
        const QRect last = list.visualRect(list.listModel().index(row, 2)).translated(listAt);
        // The row's background shows at the right end of its last column
        const QPoint backAt(last.right() - kBorderAndMore, last.center().y());
        drawn.append({u"row %1's mark"_s.arg(row + 1),
                      cell.adjusted(0, 0, markWidth - cell.width(), 0), backAt});
        drawn.append(
            {u"row %1's text"_s.arg(row + 1), cell.adjusted(markWidth, 0, -markWidth, 0), backAt});
        drawn.append({u"row %1's heart"_s.arg(row + 1),
                      cell.adjusted(cell.width() - markWidth, 0, 0, 0), backAt});
    }
    // The frame's title at its top left, on the window's background above the frame's border
    const QPoint frameAt = window.frame->mapTo(&window, QPoint());
    const QFontMetrics metrics = window.frame->fontMetrics();
    const int titleRight = metrics.horizontalAdvance(window.frame->title()) + 8 * kBorderAndMore;
    drawn.append({u"frame title"_s, QRect(frameAt, QSize(titleRight, metrics.height())),
                  frameAt + QPoint(titleRight + 4 * kBorderAndMore, 1)});

    for (const Drawn &part : std::as_const(drawn)) {
        const QColor back = image.pixelColor(part.backAt);
        const double ratio = strongestContrast(image, part.area, back);
        QVERIFY2(ratio >= 4.5,
                 qPrintable(
                     u"%1 on %2 is only %3:1"_s.arg(part.what, back.name()).arg(ratio, 0, 'f', 1)));
    }
}

void SkinTest::bundledSkinKeepsTextRoom()
{
    // The window's geometry is fixed: the skin's borders and paddings may not eat into the text
    // room the plain style leaves inside the boxes and buttons.
    SkinnedWindow window;
    const auto boxRoom = [&] {
        QStyleOptionFrame option;
        option.initFrom(window.keyword);
        option.lineWidth = window.keyword->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                                &option, window.keyword);
        return window.keyword->style()
            ->subElementRect(QStyle::SE_LineEditContents, &option, window.keyword)
            .height();
    };
    const auto buttonRoom = [&] {
        QStyleOptionButton option;
        option.initFrom(window.search);
        return window.search->style()
            ->subElementRect(QStyle::SE_PushButtonContents, &option, window.search)
            .height();
    };
    const int plainBox = boxRoom();
    const int plainButton = buttonRoom();

    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.attachSkin(bundledSkin(), QString());
    for (const bool glass : {false, true}) {
        skin.setGlass(glass);
        QVERIFY2(boxRoom() >= plainBox,
                 qPrintable(u"text box: %1 < %2"_s.arg(boxRoom()).arg(plainBox)));
        QVERIFY2(buttonRoom() >= plainButton,
                 qPrintable(u"button: %1 < %2"_s.arg(buttonRoom()).arg(plainButton)));
    }
}

QTEST_MAIN(SkinTest)
#include "test_skin.moc"
