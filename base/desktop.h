#pragma once

#include <QString>

// What the program asks of the desktop: open an address or a document, start a program.
// Tests hand in a recording double.
class Desktop
{
public:
    virtual ~Desktop();
    virtual bool openUrl(const QString &address) = 0;
    virtual bool startProgram(const QString &program) = 0;
    // Runs a script of the system's shell without a window, in the given working folder,
    // and does not wait for it.
    virtual bool startScript(const QString &script, const QString &workingFolder) = 0;
};
