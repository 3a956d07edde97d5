#pragma once

#include <QMenu>
#include <functional>

// "Pause Alarm": 10, 30 or 60 minutes, and Resume, shared by the Settings menu and the
// notification-area icon's menu. It only offers the choices; the main window keeps the
// pause.
class PauseMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    static constexpr int Choices[] = {10, 30, 60};

    explicit PauseMenu(Translator translate, QWidget *parent = nullptr);

    // Captions in the interface language; Resume is offered only while paused.
    void showState(bool paused);

signals:
    void pauseChosen(int minutes);
    void resumeChosen();

private:
    Translator m_translate;
    QList<QAction *> m_pauseItems;
    QAction *m_resumeItem = nullptr;
};
