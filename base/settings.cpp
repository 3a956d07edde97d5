#include "base/settings.h"

#include <utility>

Settings::Settings(ReportFailure report) : m_report(std::move(report)) {}

void Settings::open(const QString &fileName, SettingsPolicy policy)
{
    m_store = SettingsStore::open(fileName);
    m_store->setPolicy(std::move(policy));
}
