#include "base/appidentity.h"

#include "base/versionrecord.h"

AppIdentity AppIdentity::fromVersionRecord(const QString &programFile)
{
    VersionStrings data;
    readVersionRecord(programFile, data);
    AppIdentity identity;
    identity.companyName = data.CompanyName;
    identity.productName = data.ProductName;
    identity.title = identity.companyName + QStringLiteral(" - ") + identity.productName;
    const quint32 fileVersion = fileVersionMS(programFile);
    identity.version = QStringLiteral("%1.%2").arg(fileVersion >> 16).arg(fileVersion & 0xFFFF);
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
