#include "base/versionrecord.h"

#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#include <QDir>
#include <vector>
#else
#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// The value names asked for, in the order of the record's fields.
struct Field
{
    const char *name;
    QString VersionStrings::*member;
};
const Field Fields[] = {
    {"\\CompanyName", &VersionStrings::CompanyName},
    {"\\FileDescription", &VersionStrings::FileDescription},
    {"\\FileVersion", &VersionStrings::FileVersion},
    {"\\InternalName", &VersionStrings::InternalName},
    {"\\LegalCopyright", &VersionStrings::LegalCopyright},
    {"\\LegalTrademarks", &VersionStrings::LegalTrademarks},
    {"\\OriginalFileName", &VersionStrings::OriginalFileName},
    {"\\ProductName", &VersionStrings::ProductName},
    {"\\ProductVersion", &VersionStrings::ProductVersion},
    {"\\Comments", &VersionStrings::Comments},
    {"\\PrivateBuild", &VersionStrings::PrivateBuild},
    {"\\SpecialBuild", &VersionStrings::SpecialBuild},
};

// "\StringFileInfo\" and the string table key of a translation entry: eight lower-case
// hexadecimal digits, language first.
QString stringTablePath(unsigned language, unsigned codePage)
{
    return QStringLiteral("\\StringFileInfo\\") + QString::asprintf("%.4x%.4x", language, codePage);
}
} // namespace

SystemError::SystemError(int code)
    : std::runtime_error(std::system_category().message(code)), m_code(code)
{
}

SystemError SystemError::last()
{
#ifdef Q_OS_WIN
    return SystemError(static_cast<int>(GetLastError()));
#else
    return SystemError(errno);
#endif
}

#ifdef Q_OS_WIN

namespace {
std::wstring nativePath(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName).toStdWString();
}

// The file's version record, copied into a buffer of its own.
std::vector<unsigned char> versionRecord(const QString &fileName)
{
    const std::wstring file = nativePath(fileName);
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &unused);
    if (size == 0)
        throw SystemError::last();
    std::vector<unsigned char> record(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, record.data()))
        throw SystemError::last();
    return record;
}
} // namespace

void readVersionRecord(const QString &fileName, VersionStrings &data)
{
    std::vector<unsigned char> record = versionRecord(fileName);
    void *translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation\\", &translation, &length))
        throw SystemError::last();
    if (!translation || length < 2 * sizeof(WORD))
        throw SystemError(ERROR_RESOURCE_DATA_NOT_FOUND);
    const auto *entry = static_cast<const WORD *>(translation);
    const QString table = stringTablePath(entry[0], entry[1]);
    for (const Field &field : Fields) {
        const std::wstring path = (table + QLatin1String(field.name)).toStdWString();
        void *value = nullptr;
        UINT characters = 0;
        if (VerQueryValueW(record.data(), path.c_str(), &value, &characters) && value)
            data.*field.member = QString::fromWCharArray(static_cast<const wchar_t *>(value));
    }
}

quint32 fileVersionMS(const QString &fileName) noexcept
{
    try {
        std::vector<unsigned char> record = versionRecord(fileName);
        void *fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(record.data(), L"\\", &fixed, &length) && fixed &&
            length >= sizeof(VS_FIXEDFILEINFO))
            return static_cast<const VS_FIXEDFILEINFO *>(fixed)->dwFileVersionMS;
    } catch (...) {
    }
    return 0xFFFFFFFF;
}

#else

namespace {
constexpr quint32 FixedInfoSignature = 0xFEEF04BD;
constexpr qsizetype FixedInfoSize = 52;
// Three words, the key "VS_VERSION_INFO" with its terminator, and padding to 32 bits.
constexpr qsizetype RootValueOffset = 40;
constexpr char RecordSection[] = ".murmlet_version";
// Bounds on what is read for the ELF lookup; larger values mean a damaged file.
constexpr quint64 MaximumTableSize = 16 * 1024 * 1024;
constexpr quint64 MaximumRecordSize = 0xFFFF;

quint16 word(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

qsizetype aligned(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

// The root block's key, "VS_VERSION_INFO" and its terminator, in UTF-16LE.
QByteArray rootKey()
{
    QByteArray key;
    for (const char c : QByteArrayView("VS_VERSION_INFO")) {
        key.append(c);
        key.append('\0');
    }
    key.append(2, '\0');
    return key;
}

// One block of a record: wLength, wValueLength, wType, a zero-terminated UTF-16 key,
// padding, the value, padding, the child blocks. Offsets count from the start of the
// record, which is where the 32-bit alignment is measured from.
struct Block
{
    qsizetype end = 0;
    QString key;
    qsizetype value = 0;     // where the value starts
    qsizetype valueSize = 0; // its size in bytes
    qsizetype children = 0;  // where the first child starts
};

std::optional<Block> blockAt(const QByteArray &record, qsizetype start, qsizetype limit)
{
    if (start + 6 > limit)
        return std::nullopt;
    const qsizetype length = word(record, start);
    if (length < 6 || start + length > limit)
        return std::nullopt;
    Block block;
    block.end = start + length;
    const qsizetype valueLength = word(record, start + 2);
    const bool text = word(record, start + 4) == 1; // text values count characters
    qsizetype at = start + 6;
    for (;;) {
        if (at + 2 > block.end)
            return std::nullopt;
        const quint16 unit = word(record, at);
        at += 2;
        if (unit == 0)
            break;
        block.key.append(QChar(unit));
    }
    block.value = std::min(aligned(at), block.end);
    block.valueSize = std::min(text ? 2 * valueLength : valueLength, block.end - block.value);
    block.children = std::min(aligned(block.value + block.valueSize), block.end);
    return block;
}

// The block at a backslash-separated path, walked the way VerQueryValueW does: each
// name picks the first child whose key matches it without regard to case; "\" is the
// root block.
std::optional<Block> find(const QByteArray &record, const QString &path)
{
    std::optional<Block> block = blockAt(record, 0, record.size());
    for (const QString &name : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (!block)
            break;
        std::optional<Block> match;
        for (qsizetype at = block->children; at < block->end;) {
            std::optional<Block> child = blockAt(record, at, block->end);
            if (!child)
                break;
            if (child->key.compare(name, Qt::CaseInsensitive) == 0) {
                match = std::move(child);
                break;
            }
            at = aligned(child->end);
        }
        block = std::move(match);
    }
    return block;
}

// A text value up to its terminator. Some resource compilers count bytes rather than
// characters in wValueLength, so the block's end bounds the value, not that count.
QString textOf(const QByteArray &record, const Block &block)
{
    QString text;
    if (block.valueSize == 0)
        return text;
    for (qsizetype at = block.value; at + 2 <= block.end; at += 2) {
        const quint16 unit = word(record, at);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

// Whether a version record starts at offset: the root key, a length that fits, and
// either no fixed part or one of the right size that carries its signature.
bool isRecordAt(const QByteArray &bytes, qsizetype offset)
{
    static const QByteArray key = rootKey();
    if (offset < 0 || offset + RootValueOffset > bytes.size())
        return false;
    const qsizetype length = word(bytes, offset);
    const qsizetype valueLength = word(bytes, offset + 2);
    if (length < RootValueOffset || offset + length > bytes.size() || word(bytes, offset + 4) != 0)
        return false;
    if (QByteArrayView(bytes.constData() + offset + 6, key.size()) != key)
        return false;
    if (valueLength == 0)
        return true;
    return valueLength == FixedInfoSize && RootValueOffset + FixedInfoSize <= length &&
           dword(bytes, offset + RootValueOffset) == FixedInfoSignature;
}

// A file opened for reading; every failure is the system's.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString &fileName)
        : m_fd(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC))
    {
        if (m_fd < 0)
            throw SystemError::last();
    }
    ~ReadOnlyFile() { ::close(m_fd); }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // Up to size bytes from offset; fewer where the file ends.
    QByteArray read(quint64 offset, quint64 size) const
    {
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(m_fd, bytes.data() + done, size_t(bytes.size() - done),
                                        off_t(offset + quint64(done)));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw SystemError::last();
            if (got == 0)
                break;
            done += got;
        }
        bytes.truncate(done);
        return bytes;
    }

    QByteArray readAll() const
    {
        struct stat status = {};
        if (::fstat(m_fd, &status) != 0)
            throw SystemError::last();
        if (S_ISDIR(status.st_mode))
            throw SystemError(EISDIR);
        return read(0, quint64(status.st_size));
    }

private:
    int m_fd;
};

// A file's contents already in memory, read the way ReadOnlyFile reads a file.
class MemoryFile
{
public:
    explicit MemoryFile(const QByteArray &contents) : m_contents(contents) {}

    QByteArray read(quint64 offset, quint64 size) const
    {
        const auto length = quint64(m_contents.size());
        if (offset >= length)
            return {};
        // A copy, never a view: the callers rely on the terminator after the data.
        return QByteArray(m_contents.constData() + offset,
                          qsizetype(std::min(size, length - offset)));
    }

    QByteArray readAll() const { return read(0, quint64(m_contents.size())); }

private:
    const QByteArray &m_contents;
};

// The contents of our record section when the file is an ELF file that has one.
template <typename File> std::optional<QByteArray> recordSection(const File &file)
{
    const QByteArray header = file.read(0, 64);
    const char magic[] = {'\x7f', 'E', 'L', 'F'};
    if (header.size() < 52 || !header.startsWith(QByteArrayView(magic, 4)))
        return std::nullopt;
    const bool wide = header[4] == 2;
    const bool big = header[5] == 2;
    if ((header[4] != 1 && !wide) || (header[5] != 1 && !big) || (wide && header.size() < 64))
        return std::nullopt;
    const auto number = [big](const QByteArray &bytes, quint64 at, int size) {
        quint64 value = 0;
        for (int i = 0; i < size; ++i) {
            const int index = big ? i : size - 1 - i;
            value = (value << 8) | quint8(bytes[qsizetype(at) + index]);
        }
        return value;
    };
    const quint64 tableOffset = number(header, wide ? 0x28 : 0x20, wide ? 8 : 4);
    const quint64 entrySize = number(header, wide ? 0x3A : 0x2E, 2);
    const quint64 count = number(header, wide ? 0x3C : 0x30, 2);
    const quint64 namesIndex = number(header, wide ? 0x3E : 0x32, 2);
    if (tableOffset == 0 || entrySize < (wide ? 64u : 40u) || namesIndex >= count ||
        count * entrySize > MaximumTableSize)
        return std::nullopt;
    const QByteArray table = file.read(tableOffset, count * entrySize);
    if (quint64(table.size()) != count * entrySize)
        return std::nullopt;

    struct Section
    {
        quint64 name, type, offset, size;
    };
    const auto section = [&](quint64 index) {
        const quint64 at = index * entrySize;
        return Section{number(table, at, 4), number(table, at + 4, 4),
                       number(table, at + (wide ? 24 : 16), wide ? 8 : 4),
                       number(table, at + (wide ? 32 : 20), wide ? 8 : 4)};
    };
    constexpr quint64 NoBits = 8; // SHT_NOBITS: the section takes no room in the file
    const Section names = section(namesIndex);
    if (names.size > MaximumTableSize)
        return std::nullopt;
    const QByteArray nameTable = file.read(names.offset, names.size);
    for (quint64 index = 0; index < count; ++index) {
        const Section candidate = section(index);
        // QByteArray keeps a terminator after its data, so the last name ends too.
        if (candidate.type == NoBits || candidate.name >= quint64(nameTable.size()) ||
            qstrcmp(nameTable.constData() + candidate.name, RecordSection) != 0)
            continue;
        if (candidate.size > MaximumRecordSize)
            return std::nullopt;
        return file.read(candidate.offset, candidate.size);
    }
    return std::nullopt;
}

// A copy of the file's version record: our section's contents, or else the first
// well-formed record found anywhere in the file.
template <typename File> QByteArray versionRecord(const File &file)
{
    if (const std::optional<QByteArray> section = recordSection(file);
        section && isRecordAt(*section, 0))
        return section->left(word(*section, 0));
    const QByteArray contents = file.readAll();
    const QByteArray key = rootKey();
    for (qsizetype hit = contents.indexOf(key); hit >= 0; hit = contents.indexOf(key, hit + 1)) {
        if (isRecordAt(contents, hit - 6))
            return contents.mid(hit - 6, word(contents, hit - 6));
    }
    throw SystemError(ENODATA);
}

void readStrings(const QByteArray &record, VersionStrings &data)
{
    const std::optional<Block> translation =
        find(record, QStringLiteral("\\VarFileInfo\\Translation\\"));
    if (!translation || translation->valueSize < 4)
        throw SystemError(ENODATA);
    // Only the first entry counts, however many the table lists.
    const QString table =
        stringTablePath(word(record, translation->value), word(record, translation->value + 2));
    for (const Field &field : Fields) {
        if (const std::optional<Block> value = find(record, table + QLatin1String(field.name)))
            data.*field.member = textOf(record, *value);
    }
}

template <typename File> quint32 fileVersionOf(const File &file) noexcept
{
    try {
        const QByteArray record = versionRecord(file);
        const std::optional<Block> root = find(record, QStringLiteral("\\"));
        if (root && root->valueSize >= FixedInfoSize &&
            dword(record, root->value) == FixedInfoSignature)
            return dword(record, root->value + 8);
    } catch (...) {
    }
    return 0xFFFFFFFF;
}
} // namespace

void readVersionRecord(const QString &fileName, VersionStrings &data)
{
    readStrings(versionRecord(ReadOnlyFile(fileName)), data);
}

quint32 fileVersionMS(const QString &fileName) noexcept
{
    try {
        return fileVersionOf(ReadOnlyFile(fileName));
    } catch (...) {
    }
    return 0xFFFFFFFF;
}

void readVersionRecordFrom(const QByteArray &contents, VersionStrings &data)
{
    readStrings(versionRecord(MemoryFile(contents)), data);
}

quint32 fileVersionMSFrom(const QByteArray &contents) noexcept
{
    return fileVersionOf(MemoryFile(contents));
}

#endif
