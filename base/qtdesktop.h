#pragma once

#include "base/desktop.h"

// The desktop's own handlers: the browser for addresses, a detached process for programs.
class QtDesktop : public Desktop
{
public:
    bool openUrl(const QString &address) override;
    bool startProgram(const QString &program) override;
    bool startScript(const QString &script, const QString &workingFolder) override;
};
