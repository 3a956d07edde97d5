#pragma once

#include <QString>
#include <optional>

// Facts about this computer that the update request carries.
namespace SystemInfo {
// The user's locale as language-COUNTRY ("en-US"); "xx" when it names no country.
QString localeCode();
// An anonymous installation identifier: on Linux an ID derived from /etc/machine-id for
// this program alone (a keyed hash, so the raw machine ID never leaves the computer),
// formatted like a GUID. Empty when there is no machine ID; nothing when it is unusable.
std::optional<QString> machineId();
// The ID derived from a 128-bit machine ID given as 32 hexadecimal digits.
std::optional<QString> applicationSpecificId(const QByteArray &machineIdHex);
// "<product> (Version <major>.<minor>, Build <build>, <64|32>-bit Edition)".
QString osDescription();
} // namespace SystemInfo
