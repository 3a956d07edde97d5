#include "features/startwithdesktop/startwithdesktopaction.h"

#include "features/startwithdesktop/desktopautostart.h"

#include "base/lockedbypolicy.h"
#include "base/settings.h"

#include <utility>

namespace {
DesktopAutostart autostartOf(const QString &programFile)
{
    return DesktopAutostart::forCurrentUser(programFile, QStringLiteral(MURMLET_INSTALLED_PROGRAM));
}
} // namespace

StartWithDesktopAction::StartWithDesktopAction(QString programFile, Settings &settings,
                                               Translator translate, ReportError report,
                                               QObject *parent)
    : QAction(parent), m_programFile(std::move(programFile)), m_settings(settings),
      m_translate(std::move(translate)), m_report(std::move(report))
{
    setObjectName(QStringLiteral("StartWithDesktop1"));
    setCheckable(true);
    setText(m_translate(QStringLiteral("Start with the Desktop")));
    connect(this, &QAction::triggered, this, &StartWithDesktopAction::onToggled);
    applyPolicy();
    showState();
}

void StartWithDesktopAction::applyPolicy()
{
    const auto &key = SettingsTable::StartWithDesktop;
    const bool locked = m_settings.isLocked(key);
    const bool chosenHere =
        m_settings.store().document().contains(QLatin1String(key.section), QLatin1String(key.name));
    const bool preset = m_settings.store()
                            .policy()
                            .preset(QLatin1String(key.section), QLatin1String(key.name))
                            .has_value();
    if (locked)
        LockedByPolicy::mark(this, m_translate(QLatin1String(LockedByPolicy::Note)));
    if (!locked && (chosenHere || !preset))
        return;
    DesktopAutostart autostart = autostartOf(m_programFile);
    if (autostart.isEnabled() == m_settings.read(key))
        return;
    try {
        if (m_settings.read(key))
            autostart.enable();
        else
            autostart.disable();
    } catch (const DesktopAutostart::WriteError &) {
        qWarning("The start entry the school set could not be written.");
    }
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
    // Once chosen here, a school's preset no longer applies; without one nothing is kept.
    const auto &key = SettingsTable::StartWithDesktop;
    if (m_settings.store().policy().preset(QLatin1String(key.section), QLatin1String(key.name)))
        m_settings.write(key, autostart.isEnabled());
}
