#include "playmodelook.h"

#include "common/logging.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The drawn icons are drawn on a grid of this many units a side
constexpr qreal kGrid = 16;

// An arrowhead at `tip`, pointing along (dx, dy), each -1, 0 or 1
void arrowHead(QPainterPath &path, QPointF tip, int dx, int dy)
{
    constexpr qreal kBarb = 3;
    path.moveTo(tip + QPointF(-kBarb * dx - kBarb * dy, -kBarb * dy - kBarb * dx));
    path.lineTo(tip);
    path.lineTo(tip + QPointF(-kBarb * dx + kBarb * dy, -kBarb * dy + kBarb * dx));
}

void loop(QPainterPath &path)
{
    path.moveTo(3, 9);
    path.lineTo(3, 5);
    path.lineTo(13, 5);
    arrowHead(path, {13, 5}, 1, 0);
    path.moveTo(13, 7);
    path.lineTo(13, 11);
    path.lineTo(3, 11);
    arrowHead(path, {3, 11}, -1, 0);
}

QPainterPath glyph(PlayMode mode)
{
    QPainterPath path;
    switch (mode) {
    case PlayMode::Default:
        path.moveTo(2, 8);
        path.lineTo(14, 8);
        arrowHead(path, {14, 8}, 1, 0);
        break;
    case PlayMode::Sequential:
        path.moveTo(2, 8);
        path.lineTo(11, 8);
        arrowHead(path, {11, 8}, 1, 0);
        path.moveTo(14, 4);
        path.lineTo(14, 12);
        break;
    case PlayMode::TrackLoop:
        path.moveTo(7, 7.5);
        path.lineTo(8, 6.5);
        path.lineTo(8, 9.5);
        loop(path);
        break;
    case PlayMode::ListLoop:
        loop(path);
        break;
    case PlayMode::Shuffle:
        path.moveTo(2, 5);
        path.lineTo(6, 5);
        path.lineTo(10, 11);
        path.lineTo(14, 11);
        arrowHead(path, {14, 11}, 1, 0);
        path.moveTo(2, 11);
        path.lineTo(6, 11);
        path.lineTo(10, 5);
        path.lineTo(14, 5);
        arrowHead(path, {14, 5}, 1, 0);
        break;
    }
    return path;
}

QIcon drawnIcon(PlayMode mode, const QColor &colour)
{
    QIcon icon;
    const QPainterPath path = glyph(mode);
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / kGrid, size / kGrid);
        painter.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The names of the freedesktop icon themes; the default mode is the list's own, and has none
QStringList themeNames(PlayMode mode)
{
    switch (mode) {
    case PlayMode::Default:
        break;
    case PlayMode::Sequential:
        return {u"media-playlist-consecutive"_s, u"media-playlist-consecutive-symbolic"_s};
    case PlayMode::ListLoop:
        return {u"media-playlist-repeat"_s, u"media-playlist-repeat-symbolic"_s};
    case PlayMode::TrackLoop:
        return {u"media-playlist-repeat-song"_s, u"media-playlist-repeat-song-symbolic"_s};
    case PlayMode::Shuffle:
        return {u"media-playlist-shuffle"_s, u"media-playlist-shuffle-symbolic"_s};
    }
    return {};
}

} // namespace

namespace PlayModeLook {

QString name(PlayMode mode)
{
    switch (mode) {
    case PlayMode::Default:
        break;
    case PlayMode::Sequential:
        return u"顺序播放"_s;
    case PlayMode::ListLoop:
        return u"列表循环"_s;
    case PlayMode::TrackLoop:
        return u"单曲循环"_s;
    case PlayMode::Shuffle:
        return u"随机播放"_s;
    }
    return u"默认"_s;
}

QIcon icon(PlayMode mode, const QColor &colour)
{
    const QStringList names = themeNames(mode);
    for (const QString &name : names) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    // Said once: the icons are made again whenever the style or the palette changes
    static bool told = false;
    if (!names.isEmpty() && !std::exchange(told, true))
        qCInfo(lcPlayer) << "The icon theme has no" << names.first()
                         << "icon; play modes are drawn";
    return drawnIcon(mode, colour);
}

} // namespace PlayModeLook
