#pragma once

#include <QString>

// Where settings.ini lives: beside the program when that folder is writable, otherwise
// in the user's configuration folder under the maker's and the product's names.
namespace SettingsFolder {
// The folder, always ending with a separator. Creates the two folder levels in the
// user's configuration folder when it falls back to them, ignoring failures.
QString choose(const QString &programFolder, const QString &companyName,
               const QString &productName);

// True when a new file "chk.tmp" can be created in the folder; the file is removed
// again at once. An existing "chk.tmp" makes the folder count as not writable.
bool isFolderWritable(const QString &folder);
} // namespace SettingsFolder
