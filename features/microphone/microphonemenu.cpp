#include "features/microphone/microphonemenu.h"

#include "base/settings.h"
#include "session/listeningsession.h"

#include <QActionGroup>

MicrophoneMenu::MicrophoneMenu(ListeningSession &session, Settings &settings, Translator translate,
                               QWidget *parent)
    : QMenu(parent), m_session(session), m_settings(settings), m_translate(std::move(translate)),
      m_group(new QActionGroup(this))
{
    setObjectName(QStringLiteral("Microphone1"));
    m_group->setExclusive(true);
    connect(
        &m_session, &ListeningSession::inputsChanged, this,
        [this](const QList<InputDevice> &inputs) { showInputs(inputs, m_session.microphone()); });
    showInputs(m_session.inputs(), m_session.microphone());
}

void MicrophoneMenu::choose(const QString &id)
{
    m_session.setMicrophone(id);
    m_settings.write(SettingsTable::Microphone, id);
    showInputs(m_session.inputs(), id);
}

void MicrophoneMenu::showInputs(const QList<InputDevice> &inputs, const QString &chosenId)
{
    setTitle(m_translate(QStringLiteral("Microphone")));
    clear(); // also deletes the actions, which leaves the group empty
    addChoice(m_translate(QStringLiteral("Default")), QString(), chosenId);
    addSeparator();
    bool chosenPresent = chosenId.isEmpty();
    for (const InputDevice &input : inputs) {
        addChoice(input.description.isEmpty() ? input.id : input.description, input.id, chosenId);
        chosenPresent = chosenPresent || input.id == chosenId;
    }
    if (!chosenPresent)
        addChoice(chosenId + QLatin1Char(' ') + m_translate(QStringLiteral("(not connected)")),
                  chosenId, chosenId);
}

QAction *MicrophoneMenu::addChoice(const QString &caption, const QString &id,
                                   const QString &chosenId)
{
    QAction *action = addAction(caption);
    action->setCheckable(true);
    action->setChecked(id == chosenId);
    action->setData(id);
    m_group->addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { choose(id); });
    return action;
}
