#include "features/feedback/emailaddress.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <memory>
#include <stdexcept>

namespace {
const char16_t Pattern[] = u"^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$";

struct CodeDeleter
{
    void operator()(pcre2_code *code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter
{
    void operator()(pcre2_match_data *data) const { pcre2_match_data_free(data); }
};

// Compiled once; a compiled pattern may be shared by threads that match with their own
// match data.
const pcre2_code *compiledPattern()
{
    static const std::unique_ptr<pcre2_code, CodeDeleter> code = [] {
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code *compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Pattern),
                                             PCRE2_ZERO_TERMINATED, 0, &error, &offset, nullptr);
        if (!compiled)
            throw std::logic_error("the e-mail pattern does not compile");
        return std::unique_ptr<pcre2_code, CodeDeleter>(compiled);
    }();
    return code.get();
}
} // namespace

bool EmailAddress::isValid(const QString &address)
{
    const pcre2_code *code = compiledPattern();
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code, nullptr));
    if (!data)
        throw std::bad_alloc();
    // Not in UTF mode: every UTF-16 code unit is one character, so a lone surrogate is
    // just another character outside the classes rather than an error.
    const int result = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(address.utf16()),
                                   static_cast<PCRE2_SIZE>(address.size()), 0, PCRE2_NOTEMPTY,
                                   data.get(), nullptr);
    return result > 0;
}
