#include "features/startwithdesktop/startwithdesktopaction.h"

#include "features/startwithdesktop/desktopautostart.h"

#include <utility>

namespace {
DesktopAutostart autostartOf(const QString &programFile)
{
    return DesktopAutostart::forCurrentUser(programFile, QStringLiteral(MURMLET_INSTALLED_PROGRAM));
}
} // namespace

StartWithDesktopAction::StartWithDesktopAction(QString programFile, Translator translate,
                                               ReportError report, QObject *parent)
    : QAction(parent), m_programFile(std::move(programFile)), m_translate(std::move(translate)),
      m_report(std::move(report))
{
    setObjectName(QStringLiteral("StartWithDesktop1"));
    setCheckable(true);
    setText(m_translate(QStringLiteral("Start with the Desktop")));
    connect(this, &QAction::triggered, this, &StartWithDesktopAction::onToggled);
    showState();
}

void StartWithDesktopAction::showState()
{
    setChecked(autostartOf(m_programFile).isEnabled());
}

void StartWithDesktopAction::onToggled(bool checked)
{
    DesktopAutostart autostart = autostartOf(m_programFile);
    try {
        if (checked)
            autostart.enable();
        else
            autostart.disable();
    } catch (const DesktopAutostart::WriteError &) {
        m_report(m_translate(QStringLiteral("The start entry could not be written.")));
    }
    setChecked(autostart.isEnabled());
}
