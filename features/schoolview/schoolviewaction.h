#pragma once

#include <QAction>
#include <functional>
#include <memory>

class SchoolWindow;
class Settings;

// View > School: shows the School window (one for the program's life, made at first use)
// for the rooms under the school link's topic prefix.
class SchoolViewAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    SchoolViewAction(Settings &settings, Translator translate, QObject *parent = nullptr);
    ~SchoolViewAction() override;

    void showWindow();
    SchoolWindow *window() const { return m_window.get(); }

private:
    Settings &m_settings;
    Translator m_translate;
    std::unique_ptr<SchoolWindow> m_window;
};
