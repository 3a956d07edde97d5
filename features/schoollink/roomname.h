#pragma once

#include <QString>

// A room's name as it stands in the link's topics (prefix/ROOM/state): MQTT's wildcards
// and level separator would change what a topic means, and control characters what a
// reader shows, so none of them may stand in it.
class RoomName
{
public:
    static constexpr int MaximumBytes = 64; // in UTF-8

    // What is wrong with the name, in English for the translator; empty when nothing is.
    static QString problem(const QString &name);
    // The name with every character outside A-Z, a-z, 0-9, "_" and "-" as "_", for ids
    // that allow only those (Home Assistant's).
    static QString slug(const QString &name);
    // The computer's name, as the default room name; "Murmlet" when it has none usable.
    static QString computerName();
};
