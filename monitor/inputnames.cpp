#include "monitor/inputnames.h"

namespace InputNames {

QString nameOf(const Device &device)
{
    return device.fullName.isEmpty() ? device.shortName : device.fullName;
}

int find(const QList<Device> &devices, const QString &chosen)
{
    if (chosen.isEmpty())
        return -1;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        if (nameOf(devices[i]) == chosen)
            return int(i);
    }
    int found = -1;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        if (devices[i].shortName != chosen)
            continue;
        if (found >= 0)
            return -1; // two inputs share the short name: neither is surely the one
        found = int(i);
    }
    return found;
}

} // namespace InputNames
