#include "rowmarks.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

#include <functional>

namespace {

using Shape = std::function<void(QPainter &, qreal size)>;

QPixmap drawn(const QWidget &list, const QColor &colour, const Shape &shape)
{
    const int size = list.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &list);
    const qreal ratio = list.devicePixelRatioF();
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    shape(painter, size);
    return pixmap;
}

QIcon mark(const QWidget &list, const Shape &shape)
{
    const QPalette &palette = list.palette();
    QIcon icon;
    icon.addPixmap(drawn(list, palette.color(QPalette::Text), shape), QIcon::Normal);
    icon.addPixmap(drawn(list, palette.color(QPalette::HighlightedText), shape), QIcon::Selected);
    return icon;
}

// A triangle pointing right, as on a play button
void playShape(QPainter &painter, qreal size)
{
    QPainterPath triangle;
    triangle.moveTo(0.25 * size, 0.15 * size);
    triangle.lineTo(0.85 * size, 0.5 * size);
    triangle.lineTo(0.25 * size, 0.85 * size);
    triangle.closeSubpath();
    painter.drawPath(triangle);
}

// A disc with a cross cut out of it
void failedShape(QPainter &painter, qreal size)
{
    painter.drawEllipse(QRectF(0.08 * size, 0.08 * size, 0.84 * size, 0.84 * size));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(QPen(Qt::black, 0.14 * size, Qt::SolidLine, Qt::RoundCap));
    const qreal near = 0.32 * size;
    const qreal far = 0.68 * size;
    painter.drawLine(QPointF(near, near), QPointF(far, far));
    painter.drawLine(QPointF(near, far), QPointF(far, near));
}

// Two lobes and a point
void heartShape(QPainter &painter, qreal size)
{
    QPainterPath heart;
    heart.moveTo(0.5 * size, 0.88 * size);
    heart.cubicTo(0.1 * size, 0.6 * size, 0.02 * size, 0.38 * size, 0.12 * size, 0.24 * size);
    heart.cubicTo(0.24 * size, 0.08 * size, 0.44 * size, 0.1 * size, 0.5 * size, 0.3 * size);
    heart.cubicTo(0.56 * size, 0.1 * size, 0.76 * size, 0.08 * size, 0.88 * size, 0.24 * size);
    heart.cubicTo(0.98 * size, 0.38 * size, 0.9 * size, 0.6 * size, 0.5 * size, 0.88 * size);
    painter.drawPath(heart);
}

} // namespace

QIcon RowMarks::playing(const QWidget &list)
{
    return mark(list, playShape);
}

QIcon RowMarks::failed(const QWidget &list)
{
    return mark(list, failedShape);
}

QIcon RowMarks::favourite(const QWidget &list)
{
    return mark(list, heartShape);
}
