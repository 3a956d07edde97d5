// Rewrites settings.ini as fast as it can, one value after another, until killed.
// Usage: settings_writer <settings.ini> <first value>
#include "base/settingsstore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const auto store = SettingsStore::open(QString::fromLocal8Bit(argv[1]));
    for (int value = std::atoi(argv[2]);; ++value) {
        store->writeInteger(QStringLiteral("Tolerance"), value);
        if (value == std::atoi(argv[2])) {
            std::puts("writing"); // the first complete write is on disk
            std::fflush(stdout);
        }
    }
}
