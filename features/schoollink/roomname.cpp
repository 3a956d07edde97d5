#include "features/schoollink/roomname.h"

#include <QSysInfo>

QString RoomName::problem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Please enter the room's name.");
    for (const QChar c : name) {
        if (c == QLatin1Char('+') || c == QLatin1Char('#') || c == QLatin1Char('/'))
            return QStringLiteral("A room's name cannot contain +, # or /.");
        // Cc: C0 and C1 controls; Cf: invisible format characters such as direction marks.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.isNonCharacter())
            return QStringLiteral("A room's name cannot contain control characters.");
    }
    if (name.isValidUtf16() && name.toUtf8().size() > MaximumBytes)
        return QStringLiteral("A room's name can be at most 64 bytes long in UTF-8.");
    if (!name.isValidUtf16())
        return QStringLiteral("A room's name cannot contain control characters.");
    return QString();
}

QString RoomName::slug(const QString &name)
{
    QString slug;
    for (const QChar c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('_') || c == QLatin1Char('-');
        slug += plain ? c : QLatin1Char('_');
    }
    return slug;
}

QString RoomName::computerName()
{
    QString name = QSysInfo::machineHostName();
    // A host name is ASCII letters, digits, "-" and "."; cut it to the bytes allowed.
    name = name.left(MaximumBytes);
    return problem(name).isEmpty() ? name : QStringLiteral("Murmlet");
}
