#include "monitor/builtinsounds.h"

#include <QFile>

QString BuiltinSounds::pathOf(const QString &name)
{
    for (int i = 1; i <= 3; ++i) {
        const QString resource = QStringLiteral("RESOURCE_%1").arg(i);
        if (name.compare(resource, Qt::CaseInsensitive) == 0)
            return QStringLiteral(":/sounds/%1.wav").arg(resource);
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
