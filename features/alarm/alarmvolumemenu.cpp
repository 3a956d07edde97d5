#include "features/alarm/alarmvolumemenu.h"

#include "base/settings.h"
#include "session/listeningsession.h"

#include <QActionGroup>

AlarmVolumeMenu::AlarmVolumeMenu(ListeningSession &session, Settings &settings,
                                 Translator translate, QWidget *parent)
    : QMenu(parent), m_session(session), m_settings(settings), m_group(new QActionGroup(this))
{
    setObjectName(QStringLiteral("AlarmVolume1"));
    setTitle(translate(QStringLiteral("Alarm Volume")));
    // Exclusive but allowed to show none: a stored value between two steps.
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const QString caption = translate(QStringLiteral("%1%"));
    for (const int percent : Steps) {
        QAction *item = addAction(caption.arg(percent));
        item->setObjectName(QStringLiteral("AlarmVolume%1").arg(percent));
        item->setCheckable(true);
        item->setData(percent);
        m_group->addAction(item);
        connect(item, &QAction::triggered, this, [this, percent] { choose(percent); });
    }
    m_session.setAlarmVolume(m_settings.read(SettingsTable::AlarmVolume));
    showChosen(m_session.alarmVolume());
}

void AlarmVolumeMenu::choose(int percent)
{
    m_session.setAlarmVolume(percent);
    m_settings.write(SettingsTable::AlarmVolume, m_session.alarmVolume());
    showChosen(m_session.alarmVolume());
}

void AlarmVolumeMenu::showChosen(int percent)
{
    for (QAction *item : m_group->actions())
        item->setChecked(item->data().toInt() == percent);
}
