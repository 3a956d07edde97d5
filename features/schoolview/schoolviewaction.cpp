#include "features/schoolview/schoolviewaction.h"

#include "base/settings.h"
#include "features/schoollink/linkmodule.h"
#include "features/schoollink/schoollinkaction.h"
#include "features/schoolview/schoolfeed.h"
#include "features/schoolview/schoolwindow.h"

#include <QPointer>
#include <QtDebug>
#include <utility>

SchoolViewAction::SchoolViewAction(Settings &settings, Translator translate, QObject *parent)
    : QAction(parent), m_settings(settings), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("School1"));
    setText(m_translate(QStringLiteral("School")));
    connect(this, &QAction::triggered, this, &SchoolViewAction::showWindow);
}

SchoolViewAction::~SchoolViewAction()
{
    if (m_feed) {
        disconnect(m_feed.get(), nullptr, this, nullptr);
        m_feed->stop();
    }
}

void SchoolViewAction::showWindow()
{
    const SchoolLinkConfig config = SchoolLinkConfig::load(m_settings);
    // Other rooms under another prefix: the window starts afresh for them.
    if (m_window && m_started && config.prefix != m_subscribed.prefix) {
        m_feed->stop();
        m_feed.reset();
        m_window.reset();
    }
    if (!m_window) {
        m_window = std::make_unique<SchoolWindow>(m_settings, m_translate, config.prefix.toUtf8());
        m_feed = std::make_unique<SchoolFeed>(
            [] { return LinkModule::load() ? LinkModule::createLink() : nullptr; });
        connect(m_feed.get(), &SchoolFeed::messagesWaiting, this, [this] {
            for (const SchoolFeed::Message &message : m_feed->take())
                m_window->receive(message.topic, message.payload, message.retained);
        });
        connect(m_feed.get(), &SchoolFeed::stateChanged, this, &SchoolViewAction::showFeedState);
    }
    if (!m_started || config != m_subscribed)
        subscribe(config);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void SchoolViewAction::subscribe(const SchoolLinkConfig &config)
{
    m_started = true;
    m_subscribed = config;
    const int read = ++m_reads;
    if (config.host.isEmpty()) {
        m_feed->stop();
        showFeedState();
        return;
    }
    if (!m_secrets && !config.readerUser.isEmpty() && LinkModule::load())
        m_secrets = LinkModule::createSecretStore();
    if (config.readerUser.isEmpty() || !m_secrets) {
        m_feed->start(config, config.readerUser, QString());
        return;
    }
    QPointer<SchoolViewAction> self(this);
    m_secrets->read(config.readerSecretKey().toStdString(),
                    [self, read, config](const SecretStore::Reading &reading) {
                        if (!self || read != self->m_reads)
                            return;
                        if (reading.status == SecretStore::Reading::Unavailable)
                            qWarning("School view: no password from the secret store: %s",
                                     reading.error.c_str());
                        self->m_feed->start(config, config.readerUser,
                                            QString::fromStdString(reading.secret));
                    });
}

void SchoolViewAction::showFeedState()
{
    if (m_subscribed.host.isEmpty()) {
        m_window->showLinkState(m_translate(QStringLiteral(
            "No broker is set: enter the school's broker in the School Link settings.")));
        return;
    }
    const QString text =
        SchoolLinkAction::stateText(m_feed->state(), m_feed->reason(), m_translate);
    qInfo("School view: %s",
          qUtf8Printable(SchoolLinkAction::stateText(
              m_feed->state(), m_feed->reason(), [](const QString &english) { return english; })));
    m_window->showLinkState(text);
}
