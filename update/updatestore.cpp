#include "update/updatestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
    store->m_file = path;
    QDir().mkpath(QFileInfo(path).path()); // created when missing
    QFile file(path);
    if (!file.exists()) {
        store->m_usable = QFileInfo(QFileInfo(path).path()).isWritable();
    } else if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        store->m_document = IniDocument::parse(QString::fromUtf8(bytes));
        store->m_usable = true;
    }
    return store;
}

QString UpdateStore::readString(const QString &name, const QString &fallback) const
{
    if (m_registry) {
        const QVariant value = m_registry->value(Group + QLatin1Char('/') + name);
        return value.isValid() ? value.toString() : fallback;
    }
    return m_document.contains(Group, name) ? m_document.value(Group, name) : fallback;
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
    m_document.setValue(Group, name, value);
    QSaveFile file(m_file);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(m_document.serialize());
        file.commit();
    }
}
