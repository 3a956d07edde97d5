#pragma once

#include <QString>

// The user's display language as a Windows language identifier (LANGID), the code that
// LanguageCodes.csv lists.
namespace UserLanguage {
// The first of the user's interface languages.
quint16 current();
// A BCP 47 tag ("de-DE", "pt_BR", "zh-Hant-TW", "fr", also "de_DE.UTF-8") as a LANGID:
// language and region when both are known, else the language's main country; unknown
// tags give 1033 (English, United States).
quint16 langIdForTag(const QString &tag);
// A language an administrator sets: a Windows language number ("1031", "0x0407") or a
// BCP 47 tag, as langIdForTag reads it.
quint16 fromPolicy(const QString &value);
} // namespace UserLanguage
