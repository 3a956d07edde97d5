#include "features/pause/pausemenu.h"

#include "session/listeningsession.h"

#include <utility>

PauseMenu::PauseMenu(ListeningSession &session, Translator translate, QWidget *parent)
    : QMenu(parent), m_session(session), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("PauseAlarm1"));
    for (const int minutes : Choices) {
        QAction *item = addAction(QString());
        item->setObjectName(QStringLiteral("PauseFor%1").arg(minutes));
        connect(item, &QAction::triggered, this, [this, minutes] { m_session.pauseFor(minutes); });
        m_pauseItems << item;
    }
    addSeparator();
    m_resumeItem = addAction(QString());
    m_resumeItem->setObjectName(QStringLiteral("ResumeAlarm1"));
    connect(m_resumeItem, &QAction::triggered, this, [this] { m_session.resume(); });
    connect(&m_session, &ListeningSession::pauseChanged, this, &PauseMenu::showState);
    connect(this, &QMenu::aboutToShow, this, &PauseMenu::showState);
    showState();
}

void PauseMenu::showState()
{
    setTitle(m_translate(QStringLiteral("Pause Alarm")));
    const QString minutes = m_translate(QStringLiteral("%1 Minutes"));
    for (int i = 0; i < m_pauseItems.size(); ++i)
        m_pauseItems[i]->setText(minutes.arg(Choices[i]));
    m_resumeItem->setText(m_translate(QStringLiteral("Resume")));
    m_resumeItem->setEnabled(m_session.isPaused());
}
