#pragma once

// Every key of settings.ini (section "Settings" unless a key names its own), declared
// once: its name, its type, its default and its limits. The program reads and writes them
// only through SettingsStore's typed calls with these keys.
namespace SettingsTable {

inline constexpr const char *MainSection = "Settings";

// A whole number in decimal (read also as hexadecimal after "0x"). A value that is no
// 32-bit integer reads as the default; the limits are what the controls hold it within,
// while the file keeps whatever was written.
struct Integer
{
    const char *name;
    int fallback;
    int minimum;
    int maximum;
    const char *section = MainSection;
};

// Text as it stands; an absent key reads as empty.
struct Text
{
    const char *name;
    const char *section = MainSection;
};

// "ON" or "OFF"; only exactly "ON" is on, and an absent key is off.
struct Switch
{
    const char *name;
    const char *section = MainSection;
};

// Lines of text in a section of their own, one key each: Prefix1, Prefix2, ... in order,
// at most `maximum` of them. Reading takes every numbered key, in the order of the
// numbers; writing replaces them all. An absent section reads as no lines.
struct TextLines
{
    const char *section;
    const char *prefix;
    int maximum;
};

inline constexpr Integer NoiseThreshold{"NoiseThreshold", 5, 0, 10};
// Seconds of noise before the warning; written as typed, so 0 or a negative number may
// stand in the file while the user types.
inline constexpr Integer Tolerance{"Tolerance", 5, 1, 999999999};
// "None", "Beep", "Male", "Female" or "Custom" (letter case counts); anything else is None.
inline constexpr Text Sound{"Sound"};
// The full name of the user's WAV file; kept when another sound is chosen.
inline constexpr Text CustomSound{"CustomSound"};
inline constexpr Switch MinimizeToSystemTray{"MinimizeToSystemTray"};
inline constexpr Switch AutoStartMicrophone{"AutoStartMicrophone"};
// The user's own choice of the desktop's start entry, kept once made so that a school's
// preset (SettingsPolicy) no longer applies; absent: never chosen here.
inline constexpr Switch StartWithDesktop{"StartWithDesktop"};
// The chosen input's name in the sound system; empty or absent: the system's default.
inline constexpr Text Microphone{"Microphone"};
// Decibels added to dBFS ("92.00"); empty or absent: not calibrated.
inline constexpr Text CalibrationOffset{"CalibrationOffset"};
// The name of the screen the class display fills, as the desktop names it ("HDMI-1");
// empty, absent or not connected: the main screen.
inline constexpr Text ClassDisplayScreen{"ClassDisplayScreen"};
// How the alarm warns: "Sound", "Flash" or "Both" (letter case counts); anything else,
// or no key, is Sound.
inline constexpr Text AlarmMode{"AlarmMode"};
// The warning sound's volume in percent of its own loudness; the menu offers 10 ... 100
// in steps of 10, and a value outside 10 ... 100 plays at the nearer limit.
inline constexpr Integer AlarmVolume{"AlarmVolume", 100, 10, 100};

// Lesson times (features/lessontimes): outside them the alarm is paused. Off by default.
inline constexpr Switch LessonTimesEnabled{"Enabled", "LessonTimes"};
// One range a key: "Range1=Mon,Tue,Wed,Thu,Fri 08:00-12:30" (see LessonRange).
inline constexpr TextLines LessonTimesRanges{"LessonTimes", "Range", 100};

// The school link (features/schoollink): each room publishes its readings to the school's
// MQTT broker. Off by default. The password is never kept here but in the system's secret
// store.
inline constexpr Switch SchoolLinkEnabled{"Enabled", "SchoolLink"};
// The broker's host name or address; empty: none set.
inline constexpr Text SchoolLinkHost{"Host", "SchoolLink"};
// The broker's port; 8883 is MQTT over TLS, 1883 plain MQTT.
inline constexpr Integer SchoolLinkPort{"Port", 8883, 1, 65535, "SchoolLink"};
// "OFF" turns TLS off; anything else, or no key, keeps it on.
inline constexpr Text SchoolLinkTls{"Tls", "SchoolLink"};
// PEM files: the authority that signed the broker's certificate (empty: the system's
// authorities), and the room's own certificate and key (empty: none).
inline constexpr Text SchoolLinkCaFile{"CaFile", "SchoolLink"};
inline constexpr Text SchoolLinkCertFile{"CertFile", "SchoolLink"};
inline constexpr Text SchoolLinkKeyFile{"KeyFile", "SchoolLink"};
// The account's name on the broker; empty: none.
inline constexpr Text SchoolLinkUser{"User", "SchoolLink"};
// The account View > School reads every room with (its password is in the secret store).
inline constexpr Text SchoolLinkReaderUser{"ReaderUser", "SchoolLink"};
// The room's name in the topics; empty or absent: the computer's name.
inline constexpr Text SchoolLinkRoom{"Room", "SchoolLink"};
// The topics' first level; empty or absent: "murmlet".
inline constexpr Text SchoolLinkPrefix{"Prefix", "SchoolLink"};
// Home Assistant's MQTT discovery: the room announces its sensors. Off by default.
inline constexpr Switch SchoolLinkDiscovery{"Discovery", "SchoolLink"};

// The School window (features/schoolview): where it stood and its size, "x,y,width,height"
// in pixels (empty or unreadable: centred on the main screen at its own size), and the
// rooms' order, "Loudness" or anything else for by name.
inline constexpr Text SchoolViewGeometry{"Geometry", "SchoolView"};
inline constexpr Text SchoolViewOrder{"Order", "SchoolView"};

// Chosen only by a school (SettingsPolicy), never written to settings.ini: whether the
// update check tells of new versions ("ON", "OFF"; the user's own choice lives in the
// update store), and the interface language as a BCP 47 tag ("de-DE") or a Windows
// language number ("1031").
inline constexpr Switch UpdateNotifications{"UpdateNotifications"};
inline constexpr Text Language{"Language"};

} // namespace SettingsTable
