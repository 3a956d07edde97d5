// murmlet-post: posts one form for the program and ends, so that the TLS stack (libcurl,
// OpenSSL or GnuTLS and their kin) is loaded only for the moments a post lasts and
// never into the window's process, which stays small for the whole lesson.
//
// Usage: murmlet-post CONNECT_TIMEOUT_MS RESPONSE_TIMEOUT_MS [CA_FILE]
// Standard input: a JSON array of strings, the address and then the "name=value" lines.
// Standard output: the reply body as UTF-8 (exit code 0), or the reason the post failed
// (exit code 1). Exit code 2: the request could not be read.
#include "update/postform.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 3 || argc > 4)
        return 2;
    bool connectOk = false;
    bool responseOk = false;
    const int connectMs = QByteArray(argv[1]).toInt(&connectOk);
    const int responseMs = QByteArray(argv[2]).toInt(&responseOk);
    if (!connectOk || !responseOk)
        return 2;
    const QString caFile = argc == 4 ? QFile::decodeName(argv[3]) : QString();

    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    const QJsonDocument request = QJsonDocument::fromJson(input.readAll());
    const QJsonArray items = request.array();
    if (!request.isArray() || items.isEmpty())
        return 2;
    QStringList fields;
    for (qsizetype i = 1; i < items.size(); ++i)
        fields << items[i].toString();

    QFile output;
    if (!output.open(stdout, QIODevice::WriteOnly))
        return 2;
    try {
        const QString reply =
            PostForm(connectMs, responseMs, caFile).post(items[0].toString(), fields);
        output.write(reply.toUtf8());
        return 0;
    } catch (const std::exception &error) {
        output.write(error.what());
        return 1;
    }
}
