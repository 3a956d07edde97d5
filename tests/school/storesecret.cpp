// Keeps a password in the system's secret store through the program's own link module,
// as Settings > School Link... does: "murmlet-store-secret KEY" reads the password from
// standard input. The school link tests give each room its password this way.
#include "features/schoollink/linkmodule.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: murmlet-store-secret KEY < password\n");
        return 2;
    }
    if (!LinkModule::load()) {
        std::fprintf(stderr, "%s\n", qPrintable(LinkModule::error()));
        return 1;
    }
    const std::unique_ptr<SecretStore> store = LinkModule::createSecretStore();
    const QString password = QTextStream(stdin).readLine();
    int result = 1;
    store->write(argv[1], password.toStdString(), [&](bool ok, const std::string &error) {
        if (!ok)
            std::fprintf(stderr, "not kept: %s\n", error.c_str());
        result = ok ? 0 : 1;
        app.quit();
    });
    QTimer::singleShot(10000, &app, [&] {
        std::fprintf(stderr, "the secret store did not answer\n");
        app.quit();
    });
    app.exec();
    return result;
}
