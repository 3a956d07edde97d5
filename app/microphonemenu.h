#pragma once

#include "monitor/capturedevice.h"

#include <QMenu>
#include <functional>

class QActionGroup;

// Settings -> Microphone: "Default" (whatever the sound system calls its default input)
// and then every input by its description, one of them checked. A chosen input that is
// not connected stays listed, checked, so the user sees what will be used once it returns.
class MicrophoneMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    MicrophoneMenu(Translator translate, QWidget *parent = nullptr);

    // Lists the inputs afresh and checks the chosen id (empty: Default).
    void showInputs(const QList<InputDevice> &inputs, const QString &chosenId);

signals:
    // The user chose an input; empty for Default.
    void inputChosen(const QString &id);

private:
    QAction *addChoice(const QString &caption, const QString &id, const QString &chosenId);

    Translator m_translate;
    QActionGroup *m_group;
};
