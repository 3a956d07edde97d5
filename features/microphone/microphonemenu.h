#pragma once

#include "monitor/capturedevice.h"

#include <QMenu>
#include <functional>

class ListeningSession;
class QActionGroup;
class Settings;

// Settings -> Microphone: "Default" (whatever the sound system calls its default input)
// and then every input by its description, one of them checked. A chosen input that is
// not connected stays listed, checked, so the user sees what will be used once it returns.
// Choosing one moves the session's recording at once and keeps the choice in the
// settings.
class MicrophoneMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    MicrophoneMenu(ListeningSession &session, Settings &settings, Translator translate,
                   QWidget *parent = nullptr);

    // Lists the inputs afresh and checks the chosen id (empty: Default).
    void showInputs(const QList<InputDevice> &inputs, const QString &chosenId);
    void choose(const QString &id);

private:
    QAction *addChoice(const QString &caption, const QString &id, const QString &chosenId);

    ListeningSession &m_session;
    Settings &m_settings;
    Translator m_translate;
    QActionGroup *m_group;
};
