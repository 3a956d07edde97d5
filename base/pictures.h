#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Our drawings among the built-in resources, named without extension
// (":/icons/murmlet"). Where Qt Svg is at hand they are the SVG files themselves;
// otherwise (the Windows build) the build renders each to name.png at its own size and
// name@2x.png at twice that, and these functions pick the sharper one.
namespace Pictures {

// The drawing as an icon: scales to any size, @2x used on high-density screens.
QIcon icon(const QString &name);

// The drawing at the given logical size on a pixmap of the given pixel density.
QPixmap render(const QString &name, const QSize &size, qreal ratio);

} // namespace Pictures
