#include <windows.h>

#include <wincred.h>

#include "features/schoollink/mqtt/wincredstore.h"

#include <QString>
#include <QTimer>

namespace {
std::wstring targetOf(const std::string &key)
{
    return (QStringLiteral("Murmlet/") + QString::fromStdString(key)).toStdWString();
}

std::string lastError()
{
    return QStringLiteral("Credential Manager error %1").arg(GetLastError()).toStdString();
}

// Answers come from the event loop, as from the other platforms' stores.
template <typename Answer> void later(Answer answer)
{
    QTimer::singleShot(0, std::move(answer));
}
} // namespace

void WinCredStore::read(const std::string &key, ReadDone done)
{
    Reading reading{Reading::Unavailable, {}, {}};
    PCREDENTIALW credential = nullptr;
    if (CredReadW(targetOf(key).c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
        reading.status = Reading::Found;
        reading.secret.assign(reinterpret_cast<const char *>(credential->CredentialBlob),
                              credential->CredentialBlobSize);
        SecureZeroMemory(credential->CredentialBlob, credential->CredentialBlobSize);
        CredFree(credential);
    } else if (GetLastError() == ERROR_NOT_FOUND) {
        reading.status = Reading::Missing;
    } else {
        reading.error = lastError();
    }
    later([done = std::move(done), reading] { done(reading); });
}

void WinCredStore::write(const std::string &key, const std::string &secret, WriteDone done)
{
    const std::wstring target = targetOf(key);
    bool ok = false;
    if (secret.empty()) {
        ok = CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0) || GetLastError() == ERROR_NOT_FOUND;
    } else {
        CREDENTIALW credential{};
        credential.Type = CRED_TYPE_GENERIC;
        credential.TargetName = const_cast<LPWSTR>(target.c_str());
        credential.CredentialBlobSize = DWORD(secret.size());
        credential.CredentialBlob = reinterpret_cast<LPBYTE>(const_cast<char *>(secret.data()));
        credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
        ok = CredWriteW(&credential, 0);
    }
    const std::string error = ok ? std::string() : lastError();
    later([done = std::move(done), ok, error] { done(ok, error); });
}
