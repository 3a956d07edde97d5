#include "features/schoollink/schoollinkdialog.h"

#include "base/lockedbypolicy.h"
#include "base/settingstable.h"
#include "features/schoollink/roomname.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

namespace {
QLineEdit *lineEdit(const char *name, const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// What is wrong with a topic prefix; empty when nothing is.
QString prefixProblem(const QString &prefix)
{
    for (const QChar c : prefix) {
        if (c == QLatin1Char('+') || c == QLatin1Char('#'))
            return QStringLiteral("The topic prefix cannot contain + or #.");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return QStringLiteral("The topic prefix cannot contain control characters.");
    }
    return QString();
}
} // namespace

SchoolLinkDialog::SchoolLinkDialog(Translator translate, const SchoolLinkConfig &config,
                                   bool hasPassword, const QString &storeNote,
                                   const QString &linkState, QWidget *parent)
    : QDialog(parent), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("SchoolLinkForm"));
    setWindowTitle(m_translate(QStringLiteral("School Link")));
    auto *column = new QVBoxLayout(this);
    m_enabled = new QCheckBox(
        m_translate(QStringLiteral("Send this room's readings to the school's broker")), this);
    m_enabled->setObjectName(QStringLiteral("LinkEnabled"));
    m_enabled->setChecked(config.enabled);
    column->addWidget(m_enabled);
    auto *state = new QLabel(linkState, this);
    state->setObjectName(QStringLiteral("LinkState"));
    state->setWordWrap(true);
    column->addWidget(state);

    auto *form = new QFormLayout;
    m_host = lineEdit("LinkHost", config.host, this);
    form->addRow(m_translate(QStringLiteral("Broker:")), m_host);
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("LinkPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(config.port);
    form->addRow(m_translate(QStringLiteral("Port:")), m_port);
    m_tls = new QCheckBox(m_translate(QStringLiteral("Encrypt with TLS")), this);
    m_tls->setObjectName(QStringLiteral("LinkTls"));
    m_tls->setChecked(config.tls);
    form->addRow(QString(), m_tls);
    m_caFile = fileField("LinkCaFile", config.caFile, this);
    m_certFile = fileField("LinkCertFile", config.certFile, this);
    m_keyFile = fileField("LinkKeyFile", config.keyFile, this);
    m_caFile->setPlaceholderText(m_translate(QStringLiteral("The system's authorities")));
    form->addRow(m_translate(QStringLiteral("Authority (CA) file:")), m_caFile->parentWidget());
    form->addRow(m_translate(QStringLiteral("Client certificate:")), m_certFile->parentWidget());
    form->addRow(m_translate(QStringLiteral("Client key:")), m_keyFile->parentWidget());
    m_user = lineEdit("LinkUser", config.user, this);
    form->addRow(m_translate(QStringLiteral("User name:")), m_user);
    m_password = lineEdit("LinkPassword", QString(), this);
    m_password->setEchoMode(QLineEdit::Password);
    if (hasPassword)
        m_password->setPlaceholderText(m_translate(QStringLiteral("(kept)")));
    connect(m_password, &QLineEdit::textEdited, this, [this] { m_passwordTyped = true; });
    form->addRow(m_translate(QStringLiteral("Password:")), m_password);
    m_room = lineEdit("LinkRoom", config.room, this);
    form->addRow(m_translate(QStringLiteral("Room:")), m_room);
    m_prefix = lineEdit("LinkPrefix", config.prefix, this);
    form->addRow(m_translate(QStringLiteral("Topic prefix:")), m_prefix);
    m_discovery =
        new QCheckBox(m_translate(QStringLiteral("Announce the room to Home Assistant")), this);
    m_discovery->setObjectName(QStringLiteral("LinkDiscovery"));
    m_discovery->setChecked(config.discovery);
    form->addRow(QString(), m_discovery);
    m_readerUser = lineEdit("LinkReaderUser", config.readerUser, this);
    form->addRow(m_translate(QStringLiteral("School view user name:")), m_readerUser);
    m_readerPassword = lineEdit("LinkReaderPassword", QString(), this);
    m_readerPassword->setEchoMode(QLineEdit::Password);
    connect(m_readerPassword, &QLineEdit::textEdited, this,
            [this] { m_readerPasswordTyped = true; });
    form->addRow(m_translate(QStringLiteral("School view password:")), m_readerPassword);
    column->addLayout(form);

    if (!storeNote.isEmpty()) {
        auto *note = new QLabel(storeNote, this);
        note->setObjectName(QStringLiteral("SecretStoreNote"));
        note->setWordWrap(true);
        column->addWidget(note);
    }
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("LinkProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_problem->setWordWrap(true);
    column->addWidget(m_problem);

    auto *buttons = new QDialogButtonBox(this);
    m_okButton =
        buttons->addButton(m_translate(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    m_okButton->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton *cancel =
        buttons->addButton(m_translate(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    column->addWidget(buttons);

    for (QLineEdit *edit : {m_host, m_room, m_prefix})
        connect(edit, &QLineEdit::textChanged, this, &SchoolLinkDialog::check);
    connect(m_enabled, &QCheckBox::toggled, this, &SchoolLinkDialog::check);
    check();
}

void SchoolLinkDialog::lockFields(const QStringList &keyNames, const QString &note)
{
    const QList<QPair<const char *, QWidget *>> fields{
        {SettingsTable::SchoolLinkEnabled.name, m_enabled},
        {SettingsTable::SchoolLinkHost.name, m_host},
        {SettingsTable::SchoolLinkPort.name, m_port},
        {SettingsTable::SchoolLinkTls.name, m_tls},
        {SettingsTable::SchoolLinkCaFile.name, m_caFile->parentWidget()},
        {SettingsTable::SchoolLinkCertFile.name, m_certFile->parentWidget()},
        {SettingsTable::SchoolLinkKeyFile.name, m_keyFile->parentWidget()},
        {SettingsTable::SchoolLinkUser.name, m_user},
        {SettingsTable::SchoolLinkRoom.name, m_room},
        {SettingsTable::SchoolLinkPrefix.name, m_prefix},
        {SettingsTable::SchoolLinkDiscovery.name, m_discovery},
    };
    for (const auto &[name, widget] : fields) {
        if (keyNames.contains(QLatin1String(name), Qt::CaseInsensitive))
            LockedByPolicy::mark(widget, note);
    }
}

// A path field with its Browse... button; the field's parent holds both.
QLineEdit *SchoolLinkDialog::fileField(const char *name, const QString &text, QWidget *holder)
{
    auto *line = new QWidget(holder);
    auto *row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    QLineEdit *edit = lineEdit(name, text, line);
    auto *browse = new QPushButton(m_translate(QStringLiteral("Browse...")), line);
    browse->setObjectName(QString::fromLatin1(name) + QStringLiteral("Browse"));
    connect(browse, &QPushButton::clicked, this, [this, edit] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, m_translate(QStringLiteral("School Link")), edit->text(),
            m_translate(QStringLiteral("PEM files (*.pem *.crt *.key);;All files (*)")));
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return edit;
}

void SchoolLinkDialog::check()
{
    QString problem = RoomName::problem(m_room->text());
    if (problem.isEmpty())
        problem = prefixProblem(m_prefix->text());
    if (problem.isEmpty() && m_enabled->isChecked() && m_host->text().trimmed().isEmpty())
        problem = QStringLiteral("Please enter the broker's host name or address.");
    m_problem->setText(problem.isEmpty() ? QString() : m_translate(problem));
    m_problem->setVisible(!problem.isEmpty());
    m_okButton->setEnabled(problem.isEmpty());
}

SchoolLinkConfig SchoolLinkDialog::config() const
{
    SchoolLinkConfig config;
    config.enabled = m_enabled->isChecked();
    config.host = m_host->text().trimmed();
    config.port = m_port->value();
    config.tls = m_tls->isChecked();
    config.caFile = m_caFile->text().trimmed();
    config.certFile = m_certFile->text().trimmed();
    config.keyFile = m_keyFile->text().trimmed();
    config.user = m_user->text().trimmed();
    config.room = m_room->text();
    const QString prefix = m_prefix->text().trimmed();
    config.prefix = prefix.isEmpty() ? QLatin1String(SchoolLinkConfig::DefaultPrefix) : prefix;
    config.discovery = m_discovery->isChecked();
    config.readerUser = m_readerUser->text().trimmed();
    return config;
}

QString SchoolLinkDialog::password() const
{
    return m_password->text();
}

bool SchoolLinkDialog::passwordTyped() const
{
    return m_passwordTyped;
}

void SchoolLinkDialog::setReaderPasswordKept(bool kept)
{
    m_readerPassword->setPlaceholderText(kept ? m_translate(QStringLiteral("(kept)")) : QString());
}

QString SchoolLinkDialog::readerPassword() const
{
    return m_readerPassword->text();
}

bool SchoolLinkDialog::readerPasswordTyped() const
{
    return m_readerPasswordTyped;
}
