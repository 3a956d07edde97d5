#include "update/updatecheckpoller.h"

#include "update/updatenotice.h"

#include <QTimer>
#include <utility>

UpdateCheckPoller::UpdateCheckPoller(SetupFactory setup, const AppIdentity &identity,
                                     Desktop &desktop, LanguageCatalogue &language,
                                     QWidget *noticeOwner)
    : QObject(noticeOwner), m_setup(std::move(setup)), m_identity(identity), m_desktop(desktop),
      m_language(language), m_noticeOwner(noticeOwner), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("TimerChecker"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &UpdateCheckPoller::onTick);
    m_timer->start();
}

// The notice goes before the worker's end, which may wait for a check under way.
UpdateCheckPoller::~UpdateCheckPoller() = default;

void UpdateCheckPoller::onTick()
{
    if (!m_worker.isStarted()) {
        m_worker.start(m_setup(), m_identity.title, m_identity.version, m_checkState);
        return;
    }
    // The worker wrote everything else before it set the flag.
    if (!m_checkState->checkDone.load(std::memory_order_acquire))
        return;
    m_timer->stop();
    if (m_checkState->newVersionAvailable && !m_notice) {
        m_notice = std::make_unique<UpdateNotice>(
            m_desktop, m_language,
            UpdateNotice::Announcement{m_identity.productName, m_checkState->latestVersion,
                                       m_checkState->downloadUrl,
                                       QStringLiteral("http://" MURMLET_WEB_HOST "/")},
            m_noticeOwner);
    }
    emit finished(m_checkState->showUpdateSetting != 0);
}

void UpdateCheckPoller::keepShowingUpdates(bool show)
{
    m_checkState->keepShowingUpdates(show);
}
