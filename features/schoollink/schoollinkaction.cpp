#include "features/schoollink/schoollinkaction.h"

#include "base/lockedbypolicy.h"
#include "base/settings.h"
#include "base/settingspolicy.h"
#include "features/levels/calibration.h"
#include "features/schoollink/linkmodule.h"
#include "features/schoollink/schoollinkdialog.h"

#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtDebug>
#include <utility>

SchoolLinkAction::SchoolLinkAction(ListeningSession &session, Settings &settings,
                                   Translator translate, QWidget *dialogParent)
    : QAction(dialogParent), m_settings(settings), m_translate(std::move(translate)),
      m_dialogParent(dialogParent),
      m_link(
          session, [] { return LinkModule::load() ? LinkModule::createLink() : nullptr; },
          [&settings] { return Calibration::current(settings); }),
      m_stateLabel(new QLabel(dialogParent))
{
    setObjectName(QStringLiteral("SchoolLink1"));
    setText(m_translate(QStringLiteral("School Link...")));
    m_stateLabel->setObjectName(QStringLiteral("SchoolLinkState"));
    m_stateLabel->hide();
    connect(this, &QAction::triggered, this, &SchoolLinkAction::editLink);
    connect(&m_link, &SchoolLink::stateChanged, this, &SchoolLinkAction::showState);
    startStored();
}

SchoolLinkAction::~SchoolLinkAction()
{
    // The window's status bar, and the label in it, may be gone by now: the link's last
    // states are shown nowhere.
    disconnect(&m_link, nullptr, this, nullptr);
    m_link.stop(); // says offline before the secret store and the module go
}

SecretStore *SchoolLinkAction::secretStore()
{
    if (!m_secrets && LinkModule::load())
        m_secrets = LinkModule::createSecretStore();
    return m_secrets.get();
}

void SchoolLinkAction::startStored()
{
    const SchoolLinkConfig config = SchoolLinkConfig::load(m_settings);
    if (!config.enabled || config.host.isEmpty()) {
        m_link.apply(config, QString());
        return;
    }
    connectWith(config);
}

// Connects with the password from the store (or of this run), read without waiting.
void SchoolLinkAction::connectWith(const SchoolLinkConfig &config)
{
    const int read = ++m_reads;
    SecretStore *store = config.user.isEmpty() || m_hasRunPassword ? nullptr : secretStore();
    if (!store) {
        m_link.apply(config, m_hasRunPassword ? m_runPassword : QString());
        return;
    }
    QPointer<SchoolLinkAction> self(this);
    store->read(config.secretKey().toStdString(), [self, read,
                                                   config](const SecretStore::Reading &reading) {
        if (!self || read != self->m_reads)
            return;
        if (reading.status == SecretStore::Reading::Unavailable)
            qWarning("School link: no password from the secret store: %s", reading.error.c_str());
        self->m_link.apply(config, QString::fromStdString(reading.secret));
    });
}

QString SchoolLinkAction::stateText() const
{
    return stateText(m_link.state(), m_link.reason(), m_translate);
}

QString SchoolLinkAction::stateText(SchoolLink::State state, const QString &reason,
                                    const Translator &translate)
{
    switch (state) {
    case SchoolLink::State::Off:
        return translate(QStringLiteral("School link: off"));
    case SchoolLink::State::Connecting:
        return translate(QStringLiteral("School link: connecting..."));
    case SchoolLink::State::Connected:
        return translate(QStringLiteral("School link: connected"));
    case SchoolLink::State::Refused:
        return translate(QStringLiteral("School link: refused (%1)")).arg(reason);
    case SchoolLink::State::Offline:
        break;
    }
    return reason.isEmpty() ? translate(QStringLiteral("School link: offline"))
                            : translate(QStringLiteral("School link: offline (%1)")).arg(reason);
}

void SchoolLinkAction::showState()
{
    // Also in the log, in English, for whoever looks after the computer.
    qInfo("%s", qUtf8Printable(stateText(m_link.state(), m_link.reason(),
                                         [](const QString &text) { return text; })));
    m_stateLabel->setText(stateText());
    m_stateLabel->setToolTip(stateText());
    m_stateLabel->setVisible(m_link.state() != SchoolLink::State::Off);
    emit stateShown(m_link.state() == SchoolLink::State::Off ? QString() : stateText());
}

void SchoolLinkAction::editLink()
{
    const SchoolLinkConfig stored = SchoolLinkConfig::load(m_settings);
    // Whether a password is kept, and whether the store works: asked before the dialog
    // shows, for at most a few seconds.
    QString storeNote;
    bool hasPassword = m_hasRunPassword;
    bool hasReaderPassword = false;
    if (secretStore()) {
        const std::optional<SecretStore::Reading> answer = readNow(stored.secretKey());
        if (!answer || answer->status == SecretStore::Reading::Unavailable) {
            storeNote = m_translate(QStringLiteral(
                "No secret store is available on this computer, so a password is kept only "
                "until Murmlet ends. A client certificate needs no password."));
        } else {
            hasPassword = hasPassword || answer->status == SecretStore::Reading::Found;
            const std::optional<SecretStore::Reading> reader =
                stored.readerUser.isEmpty() ? std::nullopt : readNow(stored.readerSecretKey());
            hasReaderPassword = reader && reader->status == SecretStore::Reading::Found;
        }
    } else {
        storeNote = m_translate(QStringLiteral("The school link cannot work here: %1"))
                        .arg(LinkModule::error());
    }
    SchoolLinkDialog dialog(m_translate, stored, hasPassword, storeNote,
                            m_link.state() == SchoolLink::State::Off ? QString() : stateText(),
                            m_dialogParent);
    QStringList locked;
    for (const SettingsPolicy::Key &key : SettingsPolicy::keys()) {
        if (key.section == QLatin1String(SettingsTable::SchoolLinkEnabled.section) &&
            m_settings.store().policy().locked(key.section, key.name))
            locked << key.name;
    }
    dialog.lockFields(locked, m_translate(QLatin1String(LockedByPolicy::Note)));
    dialog.setReaderPasswordKept(hasReaderPassword);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SchoolLinkConfig config = dialog.config();
    SchoolLinkConfig::store(m_settings, config);
    if (dialog.readerPasswordTyped() && !config.readerUser.isEmpty())
        keep(config.readerSecretKey(), dialog.readerPassword(), [] {});
    if (dialog.passwordTyped()) {
        m_runPassword = dialog.password();
        m_hasRunPassword = true;
        // Kept in the store, the password is no longer held for this run only.
        QPointer<SchoolLinkAction> self(this);
        keep(config.secretKey(), m_runPassword, [self] {
            if (!self)
                return;
            self->m_hasRunPassword = false;
            self->m_runPassword.clear();
        });
        m_link.apply(config, m_runPassword);
        return;
    }
    connectWith(config);
}

std::optional<SecretStore::Reading> SchoolLinkAction::readNow(const QString &key)
{
    SecretStore *store = secretStore();
    if (!store)
        return std::nullopt;
    QEventLoop wait;
    std::optional<SecretStore::Reading> answer;
    QPointer<QEventLoop> waiting(&wait);
    store->read(key.toStdString(), [&answer, waiting](const SecretStore::Reading &reading) {
        if (!waiting)
            return;
        answer = reading;
        waiting->quit();
    });
    if (!answer) {
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return answer;
}

void SchoolLinkAction::keep(const QString &key, const QString &secret, std::function<void()> kept)
{
    SecretStore *store = secretStore();
    if (!store)
        return;
    store->write(key.toStdString(), secret.toStdString(),
                 [kept = std::move(kept)](bool ok, const std::string &error) {
                     if (ok)
                         kept();
                     else
                         qWarning("School link: the secret store kept no password: %s",
                                  error.c_str());
                 });
}
