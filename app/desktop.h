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
};
