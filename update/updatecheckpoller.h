#pragma once

#include "base/appidentity.h"
#include "update/updatecheck.h"
#include "update/updateworker.h"

#include <QObject>
#include <functional>
#include <memory>

class Desktop;
class LanguageCatalogue;
class QTimer;
class QWidget;
class UpdateNotice;

// The once-per-start update check as the window meets it: a second after creation the
// check starts on its worker; each second after that the poller looks whether it is
// done, and once it is, stops, tells whether the user keeps update notifications and
// shows the update notice when a new version was announced.
class UpdateCheckPoller : public QObject
{
    Q_OBJECT
public:
    // How the check reaches the maker's service, asked for when it starts.
    using SetupFactory = std::function<UpdateCheckSetup()>;

    // identity: the program's. The notice belongs to noticeOwner.
    UpdateCheckPoller(SetupFactory setup, const AppIdentity &identity, Desktop &desktop,
                      LanguageCatalogue &language, QWidget *noticeOwner);
    ~UpdateCheckPoller() override;

    const CheckState &checkState() const { return *m_checkState; }
    // The update notice, once the check has announced a version.
    UpdateNotice *updateNotice() const { return m_notice.get(); }
    // The user's "Update Notifications" choice, for the next start.
    void keepShowingUpdates(bool show);

public slots:
    void onTick();

signals:
    // The check is done; notificationsOn: the stored choice.
    void finished(bool notificationsOn);

private:
    SetupFactory m_setup;
    const AppIdentity &m_identity;
    Desktop &m_desktop;
    LanguageCatalogue &m_language;
    QWidget *m_noticeOwner;
    QTimer *m_timer;
    std::shared_ptr<CheckState> m_checkState = std::make_shared<CheckState>();
    // Its end stops a check still under way and waits for it briefly.
    UpdateWorker m_worker;
    std::unique_ptr<UpdateNotice> m_notice;
};
