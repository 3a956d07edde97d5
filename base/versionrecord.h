#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <stdexcept>

// An operating-system error: the system's error code (errno, or GetLastError on
// Windows) and the system's text for it.
class SystemError : public std::runtime_error
{
public:
    explicit SystemError(int code);

    int code() const noexcept { return m_code; }

    // The error the last failed system call left behind.
    static SystemError last();

private:
    int m_code;
};

// The strings of a program file's version record. The caller creates it empty; the
// reader only assigns the values the record holds.
struct VersionStrings
{
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;
};

// Fills data from the string table of the first language that the version record of
// fileName lists, matching names without regard to case; a value the table lacks
// leaves its field as it was. Throws SystemError when the file cannot be read, holds
// no version record, or the record has no translation table.
//
// On Windows the record is the program file's version resource. Elsewhere it is the
// binary record embedded in the section ".murmlet_version" of an ELF file, or else the
// first well-formed record anywhere in the file (a .res file, or the bare record).
void readVersionRecord(const QString &fileName, VersionStrings &data);

// The most significant double word of the file version in the record's fixed part
// (major << 16 | minor), or 0xFFFFFFFF when there is no record or no fixed part.
quint32 fileVersionMS(const QString &fileName) noexcept;

#ifndef Q_OS_WIN
// The same two readers on a file's contents already in memory: the same lookups without
// the file access, so that any bytes can be fed to them.
void readVersionRecordFrom(const QByteArray &contents, VersionStrings &data);
quint32 fileVersionMSFrom(const QByteArray &contents) noexcept;
#endif
