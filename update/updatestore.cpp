#include "update/updatestore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString Group = QStringLiteral("Settings");
}

UpdateStore::~UpdateStore() = default;

std::unique_ptr<UpdateStore> UpdateStore::openNative(const QString &company, const QString &product)
{
#ifdef Q_OS_WIN
    std::unique_ptr<UpdateStore> store(new UpdateStore);
    store->m_registry = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    company, product);
    store->m_usable = store->m_registry->status() == QSettings::NoError;
    return store;
#else
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return openFile(base + QLatin1Char('/') + company + QLatin1Char('/') + product +
                    QStringLiteral(".conf"));
#endif
}

std::unique_ptr<UpdateStore> UpdateStore::openFile(const QString &path)
{
    std::unique_ptr<UpdateStore> store(new UpdateStore);
    store->m_file = IniFile(path);
    QDir().mkpath(QFileInfo(path).path()); // created when missing
    switch (store->m_file.read(IniFile::Decoding::Lenient)) {
    case IniFile::ReadResult::Missing:
        store->m_usable = QFileInfo(QFileInfo(path).path()).isWritable();
        break;
    case IniFile::ReadResult::Read:
        store->m_usable = true;
        break;
    case IniFile::ReadResult::Unreadable:
        store->m_keepsUnreadableFile = true;
        break;
    }
    return store;
}

QString UpdateStore::readString(const QString &name, const QString &fallback) const
{
    if (m_registry) {
        const QVariant value = m_registry->value(Group + QLatin1Char('/') + name);
        return value.isValid() ? value.toString() : fallback;
    }
    const IniDocument &document = m_file.document();
    return document.contains(Group, name) ? document.value(Group, name) : fallback;
}

int UpdateStore::readInteger(const QString &name, int fallback) const
{
    bool ok = false;
    const int value = readString(name).toInt(&ok, 10);
    return ok ? value : fallback;
}

void UpdateStore::writeString(const QString &name, const QString &value)
{
    if (m_registry) {
        m_registry->setValue(Group + QLatin1Char('/') + name, value);
        return;
    }
    m_file.document().setValue(Group, name, value);
    if (!m_keepsUnreadableFile)
        m_file.write();
}

QString UpdateStore::openErrorText()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Error: Registry open problem!");
#else
    return QStringLiteral("Error: Update store (settings file) open problem!");
#endif
}
