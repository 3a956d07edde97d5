#include "update/downloadaddress.h"

#include <QUrl>

QString DownloadAddress::toOpen(const QString &downloadUrl, const QString &homePage)
{
    const QUrl url(downloadUrl, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    return url.isValid() && web && !url.host().isEmpty() ? downloadUrl : homePage;
}
