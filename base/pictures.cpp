#include "base/pictures.h"

#include <QPainter>

#ifdef MURMLET_PNG_PICTURES
#include <QImage>
#else
#include <QSvgRenderer>
#endif

namespace Pictures {

QIcon icon(const QString &name)
{
#ifdef MURMLET_PNG_PICTURES
    QIcon icon;
    icon.addFile(name + QStringLiteral(".png"));
    icon.addFile(name + QStringLiteral("@2x.png"));
    return icon;
#else
    return QIcon(name + QStringLiteral(".svg"));
#endif
}

QPixmap render(const QString &name, const QSize &size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
#ifdef MURMLET_PNG_PICTURES
    const QImage picture(name + (ratio > 1.0 ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), pixmap.size()), picture);
#else
    QSvgRenderer renderer(name + QStringLiteral(".svg"));
    renderer.render(&painter);
#endif
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace Pictures
