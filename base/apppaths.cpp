#include "base/apppaths.h"

#include <QCoreApplication>

AppPaths AppPaths::ofThisProgram()
{
    return {QCoreApplication::applicationFilePath(), QCoreApplication::applicationDirPath()};
}
