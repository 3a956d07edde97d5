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
};

// Text as it stands; an absent key reads as empty.
struct Text
{
    const char *name;
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

} // namespace SettingsTable
