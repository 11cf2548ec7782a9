#include "CircularImage.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

CircularImage::CircularImage(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void CircularImage::setImage(const QImage &image)
{
    m_image = image;
    emit imageChanged();
    update();
}

void CircularImage::paint(QPainter *painter)
{
    if (m_image.isNull() || width() <= 0 || height() <= 0)
        return;
    const QRectF bounds(0, 0, width(), height());
    const qreal scale =
        std::max(bounds.width() / m_image.width(), bounds.height() / m_image.height());
    QRectF target(0, 0, m_image.width() * scale, m_image.height() * scale);
    target.moveCenter(bounds.center());

    painter->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath circle;
    circle.addEllipse(bounds);
    painter->setClipPath(circle);
    painter->drawImage(target, m_image);
}
