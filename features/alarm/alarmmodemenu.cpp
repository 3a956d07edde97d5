#include "features/alarm/alarmmodemenu.h"

#include "base/settings.h"
#include "session/listeningsession.h"

#include <QActionGroup>
#include <array>

namespace {
struct Choice
{
    AlarmMode mode;
    const char *name;
    const char *caption;
};
constexpr std::array<Choice, 3> Choices{{
    {AlarmMode::Sound, "AlarmSound1", "Sound"},
    {AlarmMode::Flash, "AlarmFlash1", "Flash"},
    {AlarmMode::Both, "AlarmBoth1", "Both"},
}};
} // namespace

AlarmModeMenu::AlarmModeMenu(ListeningSession &session, Settings &settings, Translator translate,
                             QWidget *parent)
    : QMenu(parent), m_session(session), m_settings(settings), m_group(new QActionGroup(this))
{
    setObjectName(QStringLiteral("AlarmMode1"));
    setTitle(translate(QStringLiteral("Alarm")));
    m_group->setExclusive(true);
    const AlarmMode stored = AlarmModes::fromStoredName(m_settings.read(SettingsTable::AlarmMode));
    for (const Choice &choice : Choices) {
        QAction *item = addAction(translate(QString::fromLatin1(choice.caption)));
        item->setObjectName(QString::fromLatin1(choice.name));
        item->setCheckable(true);
        item->setChecked(choice.mode == stored);
        item->setData(AlarmModes::storedName(choice.mode));
        m_group->addAction(item);
        connect(item, &QAction::triggered, this, [this, mode = choice.mode] { choose(mode); });
    }
    m_session.setAlarmMode(stored);
}

void AlarmModeMenu::choose(AlarmMode mode)
{
    m_session.setAlarmMode(mode);
    m_settings.write(SettingsTable::AlarmMode, AlarmModes::storedName(mode));
    for (QAction *item : m_group->actions())
        item->setChecked(item->data().toString() == AlarmModes::storedName(mode));
}
