#pragma once

#include <QString>

// Where the program is: its own file carries the version record and is what a restart
// starts; settings.ini (when writable) and the Languages folder live beside it.
struct AppPaths
{
    QString programFile;
    QString programFolder;

    static AppPaths ofThisProgram();
};
