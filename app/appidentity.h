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

    // The identity the program ships with, used until the version record is read.
    static AppIdentity shipped();

    // "http://" + host + "/help/" + the product name in lower case with blanks as "-" + "/".
    QString helpAddress(const QString &host) const;
};
