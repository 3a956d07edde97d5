#pragma once

#include <QString>

// The address the update notice's link opens. The service's download address may have
// come over plain http and is handed to the desktop's "open", which would also start
// local files and programs: only an http:// or https:// address with a host is opened;
// anything else (empty, file:, a local path, another scheme) opens the home page.
namespace DownloadAddress {
QString toOpen(const QString &downloadUrl, const QString &homePage);
}
