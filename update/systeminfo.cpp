#include "update/systeminfo.h"

#include <QFile>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QStringList>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QString SystemInfo::localeCode()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C || locale.territory() == QLocale::AnyTerritory)
        return QStringLiteral("xx");
    return QLocale::languageToCode(locale.language()) + QLatin1Char('-') +
           QLocale::territoryToCode(locale.territory());
}

std::optional<QString> SystemInfo::applicationSpecificId(const QByteArray &machineIdHex)
{
    const QByteArray machineId = QByteArray::fromHex(machineIdHex.trimmed());
    if (machineId.size() != 16 || machineIdHex.trimmed().size() != 32)
        return std::nullopt;
    // Our application ID, fixed for good: the derived ID must not change between versions.
    static const QByteArray application = QByteArray::fromHex("6d75726d6c65742d75706461746573aa");
    QByteArray id =
        QMessageAuthenticationCode::hash(application, machineId, QCryptographicHash::Sha256)
            .left(16);
    id[6] = char((id[6] & 0x0F) | 0x40); // a version 4 UUID, as systemd derives them
    id[8] = char((id[8] & 0x3F) | 0x80);
    const QByteArray hex = id.toHex();
    return QString::fromLatin1(hex.mid(0, 8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
                               hex.mid(16, 4) + '-' + hex.mid(20, 12));
}

std::optional<QString> SystemInfo::machineId()
{
#ifdef Q_OS_WIN
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return QString();
    wchar_t value[128] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
    const LSTATUS status = RegQueryValueExW(key, L"MachineGuid", nullptr, &type,
                                            reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND)
        return QString();
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return QString::fromWCharArray(value);
#else
    QFile file(QStringLiteral("/etc/machine-id"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return applicationSpecificId(file.readAll());
#endif
}

QString SystemInfo::osDescription()
{
    const QStringList kernel = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    const auto number = [&](int i) {
        return i < kernel.size() ? kernel[i].section(QLatin1Char('-'), 0, 0).toInt() : 0;
    };
    const QString arch = QSysInfo::currentCpuArchitecture();
    const bool wide = arch.contains(QLatin1String("64"));
    return QStringLiteral("%1 (Version %2.%3, Build %4, %5)")
        .arg(QSysInfo::prettyProductName())
        .arg(number(0))
        .arg(number(1))
        .arg(number(2))
        .arg(wide ? QStringLiteral("64-bit Edition") : QStringLiteral("32-bit Edition"));
}
