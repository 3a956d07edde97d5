#include "features/schoolview/schoolviewaction.h"

#include "base/settings.h"
#include "features/schoollink/schoollinkconfig.h"
#include "features/schoolview/schoolwindow.h"

#include <utility>

SchoolViewAction::SchoolViewAction(Settings &settings, Translator translate, QObject *parent)
    : QAction(parent), m_settings(settings), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("School1"));
    setText(m_translate(QStringLiteral("School")));
    connect(this, &QAction::triggered, this, &SchoolViewAction::showWindow);
}

SchoolViewAction::~SchoolViewAction() = default;

void SchoolViewAction::showWindow()
{
    if (!m_window) {
        const SchoolLinkConfig config = SchoolLinkConfig::load(m_settings);
        m_window = std::make_unique<SchoolWindow>(m_settings, m_translate, config.prefix.toUtf8());
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
