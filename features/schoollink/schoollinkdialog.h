#pragma once

#include "features/schoollink/schoollinkconfig.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Settings > School Link...: the broker, the account and the room. The password field
// starts empty; left empty, the stored password stays. OK waits until the room's name and
// the topics' prefix are usable, and says in words why not.
class SchoolLinkDialog : public QDialog
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    // storeNote: what to say about the secret store (empty: it works); linkState: the
    // link's state now, in words.
    SchoolLinkDialog(Translator translate, const SchoolLinkConfig &config, bool hasPassword,
                     const QString &storeNote, const QString &linkState, QWidget *parent = nullptr);

    SchoolLinkConfig config() const;
    // Disables the fields of the [SchoolLink] keys named ("Host", "Port", ...) that the
    // computer's administrator has locked, each with the note as its tooltip.
    void lockFields(const QStringList &keyNames, const QString &note);
    // What was typed; empty: keep the stored password.
    QString password() const;
    bool passwordTyped() const;
    // The same for the School window's account.
    void setReaderPasswordKept(bool kept);
    QString readerPassword() const;
    bool readerPasswordTyped() const;

private:
    QLineEdit *fileField(const char *name, const QString &text, QWidget *holder);
    void check();

    Translator m_translate;
    QCheckBox *m_enabled = nullptr;
    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QCheckBox *m_tls = nullptr;
    QLineEdit *m_caFile = nullptr;
    QLineEdit *m_certFile = nullptr;
    QLineEdit *m_keyFile = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_room = nullptr;
    QLineEdit *m_prefix = nullptr;
    QCheckBox *m_discovery = nullptr;
    QLineEdit *m_readerUser = nullptr;
    QLineEdit *m_readerPassword = nullptr;
    QLabel *m_problem = nullptr;
    QPushButton *m_okButton = nullptr;
    bool m_passwordTyped = false;
    bool m_readerPasswordTyped = false;
};
