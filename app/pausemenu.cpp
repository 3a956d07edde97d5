#include "app/pausemenu.h"

#include <utility>

PauseMenu::PauseMenu(Translator translate, QWidget *parent)
    : QMenu(parent), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("PauseAlarm1"));
    for (const int minutes : Choices) {
        QAction *item = addAction(QString());
        item->setObjectName(QStringLiteral("PauseFor%1").arg(minutes));
        connect(item, &QAction::triggered, this, [this, minutes] { emit pauseChosen(minutes); });
        m_pauseItems << item;
    }
    addSeparator();
    m_resumeItem = addAction(QString());
    m_resumeItem->setObjectName(QStringLiteral("ResumeAlarm1"));
    connect(m_resumeItem, &QAction::triggered, this, &PauseMenu::resumeChosen);
    showState(false);
}

void PauseMenu::showState(bool paused)
{
    setTitle(m_translate(QStringLiteral("Pause Alarm")));
    const QString minutes = m_translate(QStringLiteral("%1 Minutes"));
    for (int i = 0; i < m_pauseItems.size(); ++i)
        m_pauseItems[i]->setText(minutes.arg(Choices[i]));
    m_resumeItem->setText(m_translate(QStringLiteral("Resume")));
    m_resumeItem->setEnabled(paused);
}
