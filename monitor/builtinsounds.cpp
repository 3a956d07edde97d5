#include "monitor/builtinsounds.h"

#include <QFile>
#include <initializer_list>

QString BuiltinSounds::pathOf(const QString &name)
{
    // The files carry the names in capitals: RESOURCE_1.wav for the beep, and so on.
    for (const char *sound : {Beep, MaleShush, FemaleShush}) {
        if (name.compare(QLatin1String(sound), Qt::CaseInsensitive) == 0)
            return QStringLiteral(":/sounds/%1.wav").arg(QString::fromLatin1(sound).toUpper());
    }
    return {};
}

QByteArray BuiltinSounds::load(const QString &name)
{
    const QString path = pathOf(name);
    if (path.isEmpty())
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
