// libFuzzer target: any bytes as the program file whose version record is read (an ELF
// file with the record's section, a .res file, or the bare record). Reading either
// gives the strings and the file version or refuses the file; it never reads outside it.

#include "base/versionrecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A copy of its own, so that reading past the end is seen by the sanitizer.
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    static_cast<void>(fileVersionMSFrom(file));
    VersionStrings strings;
    try {
        readVersionRecordFrom(file, strings);
    } catch (const SystemError &) {
        return 0; // no record, or no translation table
    }
    const QString *const texts[] = {&strings.CompanyName,    &strings.FileDescription,
                                    &strings.FileVersion,    &strings.InternalName,
                                    &strings.ProductName,    &strings.ProductVersion,
                                    &strings.LegalCopyright, &strings.Comments};
    for (const QString *text : texts) {
        // Every text lies inside the file, stops at its terminator.
        if (text->contains(QChar(0)) || text->size() > file.size() / 2)
            std::abort();
    }
    return 0;
}
