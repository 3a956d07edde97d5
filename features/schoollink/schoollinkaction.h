#pragma once

#include "features/schoollink/schoollink.h"
#include "features/schoollink/secretstore.h"

#include <QAction>
#include <functional>
#include <memory>
#include <optional>

class ListeningSession;
class QLabel;
class Settings;

// Settings > School Link...: starts the stored link at once (its password from the
// secret store), opens the dialog, and keeps the link's state in a label for the status
// bar, hidden while the link is off. The MQTT module is loaded only when the link is on
// or the dialog opens.
class SchoolLinkAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    SchoolLinkAction(ListeningSession &session, Settings &settings, Translator translate,
                     QWidget *dialogParent);
    ~SchoolLinkAction() override;

    QLabel *stateLabel() const { return m_stateLabel; }
    SchoolLink &link() { return m_link; }
    // The state in words: "School link: connected".
    QString stateText() const;
    static QString stateText(SchoolLink::State state, const QString &reason,
                             const Translator &translate);

    void editLink();

signals:
    // The state in words as the status bar shows it; empty while the link is off.
    void stateShown(const QString &text);

private:
    void startStored();
    void connectWith(const SchoolLinkConfig &config);
    void showState();
    SecretStore *secretStore();
    // The store's answer for key, waited for a few seconds at most; none: no answer.
    std::optional<SecretStore::Reading> readNow(const QString &key);
    void keep(const QString &key, const QString &secret, std::function<void()> kept);

    Settings &m_settings;
    Translator m_translate;
    QWidget *m_dialogParent;
    SchoolLink m_link;
    QLabel *m_stateLabel;
    std::unique_ptr<SecretStore> m_secrets;
    // A password the secret store could not keep, for this run only.
    QString m_runPassword;
    bool m_hasRunPassword = false;
    int m_reads = 0; // a password read that answers after a newer start is ignored
};
