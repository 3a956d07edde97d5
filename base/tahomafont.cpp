#include "base/tahomafont.h"

#include <QFontDatabase>

QFont tahomaFont(int pixelSize, bool bold)
{
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    for (const char *family : {"Tahoma", "Liberation Sans", "Arial"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
