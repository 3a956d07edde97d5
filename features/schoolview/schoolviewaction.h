#pragma once

#include "features/schoollink/schoollinkconfig.h"

#include <QAction>
#include <functional>
#include <memory>

class SchoolFeed;
class SchoolWindow;
class SecretStore;
class Settings;

// View > School: shows the School window (one for the program's life, made at first use)
// and feeds it every room under the school link's topic prefix, read with the School view
// account (its password from the secret store). Opening the window again after the School
// Link settings changed reads with the new ones.
class SchoolViewAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    SchoolViewAction(Settings &settings, Translator translate, QObject *parent = nullptr);
    ~SchoolViewAction() override;

    void showWindow();
    SchoolWindow *window() const { return m_window.get(); }
    SchoolFeed *feed() const { return m_feed.get(); }

private:
    void subscribe(const SchoolLinkConfig &config);
    void showFeedState();

    Settings &m_settings;
    Translator m_translate;
    std::unique_ptr<SchoolWindow> m_window;
    std::unique_ptr<SchoolFeed> m_feed;
    std::unique_ptr<SecretStore> m_secrets;
    SchoolLinkConfig m_subscribed;
    bool m_started = false;
    int m_reads = 0; // a password read that answers after a newer one is ignored
};
