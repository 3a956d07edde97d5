#pragma once

#include <QString>

// Who the program is: maker, product, caption and version. Set once at start-up.
class AppIdentity
{
public:
    QString companyName;
    QString productName;
    QString title;   // company + " - " + product
    QString version; // major.minor

    // The identity stated by the version record of programFile: maker and product from
    // its strings, "major.minor" from the fixed part's file version (65535.65535 when the
    // fixed part cannot be read). Throws SystemError when readVersionRecord does.
    static AppIdentity fromVersionRecord(const QString &programFile);

    // "http://" + host + "/help/" + the product name in lower case with blanks as "-" + "/".
    QString helpAddress(const QString &host) const;
};
