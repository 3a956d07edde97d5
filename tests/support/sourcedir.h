#pragma once

#include <QString>

// The project's source tree, for tests that read its files (language files, scripts, the
// Group Policy template). Compiled into one generated file of the build rather than onto
// every test's command line, so that clones in other folders share ccache's results.
namespace SourceDir {
QString path();
} // namespace SourceDir
