#include "base/windowplacement.h"

#include <QGuiApplication>

bool WindowPlacement::byCompositor()
{
    return QGuiApplication::platformName() == QLatin1String("wayland");
}
