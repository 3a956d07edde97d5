#include "app/appidentity.h"

AppIdentity AppIdentity::shipped()
{
    AppIdentity identity;
    identity.companyName = QStringLiteral("TAMBRIX");
    identity.productName = QStringLiteral("Murmlet");
    identity.title = identity.companyName + QStringLiteral(" - ") + identity.productName;
    identity.version = QStringLiteral("1.1");
    return identity;
}

QString AppIdentity::helpAddress(const QString &host) const
{
    QString slug = productName;
    for (QChar &c : slug) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
        else if (c == QLatin1Char(' '))
            c = QLatin1Char('-');
    }
    return QStringLiteral("http://") + host + QStringLiteral("/help/") + slug + QStringLiteral("/");
}
