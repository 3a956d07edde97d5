#include "features/schoollink/mqtt/keychainstore.h"

#include <qt6keychain/keychain.h>

#include <QObject>

namespace {
const QString Service = QStringLiteral("Murmlet");
}

void KeychainStore::read(const std::string &key, ReadDone done)
{
    auto *job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(QString::fromStdString(key));
    QObject::connect(job, &QKeychain::Job::finished,
                     [done = std::move(done)](QKeychain::Job *ended) {
                         auto *answer = static_cast<QKeychain::ReadPasswordJob *>(ended);
                         SecretStore::Reading reading{SecretStore::Reading::Unavailable, {}, {}};
                         if (answer->error() == QKeychain::NoError) {
                             reading.status = SecretStore::Reading::Found;
                             reading.secret = answer->textData().toStdString();
                         } else if (answer->error() == QKeychain::EntryNotFound) {
                             reading.status = SecretStore::Reading::Missing;
                         } else {
                             reading.error = answer->errorString().toStdString();
                         }
                         done(reading);
                     });
    job->start();
}

void KeychainStore::write(const std::string &key, const std::string &secret, WriteDone done)
{
    QKeychain::Job *job = nullptr;
    if (secret.empty()) {
        job = new QKeychain::DeletePasswordJob(Service);
    } else {
        auto *writing = new QKeychain::WritePasswordJob(Service);
        writing->setTextData(QString::fromStdString(secret));
        job = writing;
    }
    job->setKey(QString::fromStdString(key));
    QObject::connect(job, &QKeychain::Job::finished,
                     [done = std::move(done)](QKeychain::Job *ended) {
                         // Removing what was never there is no failure.
                         const bool ok = ended->error() == QKeychain::NoError ||
                                         ended->error() == QKeychain::EntryNotFound;
                         done(ok, ok ? std::string() : ended->errorString().toStdString());
                     });
    job->start();
}
