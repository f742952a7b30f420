// The POSIX implementation of the locale functions.
#include "platform/numeric_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <utility>

namespace tivka {

std::string SystemDecimalSeparator()
{
    // A locale of its own, built from the environment, so the answer does not
    // depend on whether anyone has called setlocale in this process.
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    std::string separator = radix && *radix ? radix : ".";
    freelocale(locale);
    return separator;
}

Result<CNumericLocaleScope> CNumericLocaleScope::Enter()
{
    locale_t base = duplocale(uselocale(locale_t(0)));
    locale_t c = base == locale_t(0) ? locale_t(0) : newlocale(LC_NUMERIC_MASK, "C", base);
    if (c == locale_t(0)) {
        if (base != locale_t(0))
            freelocale(base);
        return Status(Status::Code::IoError, "the C numeric locale", "cannot be made");
    }
    return CNumericLocaleScope(c, uselocale(c));
}

CNumericLocaleScope::CNumericLocaleScope(CNumericLocaleScope&& other) noexcept
    : c_(std::exchange(other.c_, nullptr)), previous_(other.previous_)
{
}

CNumericLocaleScope::~CNumericLocaleScope()
{
    if (!c_)
        return;
    uselocale(static_cast<locale_t>(previous_));
    freelocale(static_cast<locale_t>(c_));
}

}  // namespace tivka
