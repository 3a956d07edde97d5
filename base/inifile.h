#pragma once

#include "base/inidocument.h"

#include <QString>

// An INI file on disk, held in memory as an IniDocument: read once, then replaced as a
// whole on every write, so that a crash or a full disk leaves either the old or the new
// file, never a mixture or a truncated one. The two stores of the program sit on it.
class IniFile
{
public:
    enum class Decoding
    {
        Strict,  // a file that is not UTF-8 counts as unreadable
        Lenient, // invalid bytes become replacement characters
    };
    enum class ReadResult
    {
        Missing,
        Read,
        Unreadable, // could not be opened, or not UTF-8 when read strictly
    };

    explicit IniFile(QString fileName = QString()) : m_fileName(std::move(fileName)) {}

    // Reads the file (UTF-8, with or without a byte-order mark) into the document. On
    // anything but Read the document stays empty.
    ReadResult read(Decoding decoding);
    // Replaces the file; false with the reason in error when that fails. Without a file
    // name there is nothing to write and it succeeds.
    bool write(QString *error = nullptr) const;

    QString fileName() const { return m_fileName; }
    IniDocument &document() { return m_document; }
    const IniDocument &document() const { return m_document; }

private:
    QString m_fileName;
    IniDocument m_document;
};
