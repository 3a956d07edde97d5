#include "update/updatestore.h"

#include <QSettings>

namespace {
QString key(const QString &name)
{
    return QStringLiteral("Settings/") + name;
}
} // namespace

UpdateStore::UpdateStore(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

UpdateStore::~UpdateStore() = default;

std::unique_ptr<UpdateStore> UpdateStore::openNative(const QString &company, const QString &product)
{
    return std::unique_ptr<UpdateStore>(new UpdateStore(std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, company, product)));
}

std::unique_ptr<UpdateStore> UpdateStore::openFile(const QString &path)
{
    return std::unique_ptr<UpdateStore>(
        new UpdateStore(std::make_unique<QSettings>(path, QSettings::IniFormat)));
}

bool UpdateStore::isUsable() const
{
    return m_settings->status() == QSettings::NoError;
}

QString UpdateStore::readString(const QString &name, const QString &fallback) const
{
    const QVariant value = m_settings->value(key(name));
    return value.isValid() ? value.toString() : fallback;
}

int UpdateStore::readInteger(const QString &name, int fallback) const
{
    bool ok = false;
    const int value = readString(name).toInt(&ok, 10);
    return ok ? value : fallback;
}

void UpdateStore::writeString(const QString &name, const QString &value)
{
    m_settings->setValue(key(name), value);
    m_settings->sync();
}

void UpdateStore::writeInteger(const QString &name, int value)
{
    writeString(name, QString::number(value));
}
