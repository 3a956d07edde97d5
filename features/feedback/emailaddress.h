#pragma once

#include <QString>

// The e-mail address that the feedback dialog accepts: a local part of ASCII letters,
// digits and "_.+-", the at sign, a domain label, a dot and more of the domain, ending in
// a letter or digit. Matched by PCRE2 straight on the UTF-16 text, case-sensitively;
// letters outside A-Z are never accepted. The caller trims the address first.
namespace EmailAddress {
bool isValid(const QString &address);
}
