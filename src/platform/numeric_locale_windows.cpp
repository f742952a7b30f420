// The Windows implementation of the locale functions.
#include "platform/numeric_locale.h"

#include <clocale>
#include <cstdint>
#include <utility>

#include "platform/windows_text.h"

namespace tivka {

std::string SystemDecimalSeparator()
{
    // The separator the user chose in the region settings.
    wchar_t separator[8] = {};
    const int got = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    const std::string text = got > 1 ? windows::Narrow({separator, std::size_t(got - 1)}) : std::string();
    return text.empty() ? "." : text;
}

namespace {

// What the scope puts back: the thread's locale mode and its numeric locale.
struct SavedLocale {
    int mode;
    std::string numeric;
};

}  // namespace

Result<CNumericLocaleScope> CNumericLocaleScope::Enter()
{
    // The C runtime's locale is the process's unless a thread asks for its
    // own; only this thread is switched.
    const int mode = ::_configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    auto* saved = new SavedLocale{mode, numeric ? numeric : "C"};
    if (!std::setlocale(LC_NUMERIC, "C")) {
        ::_configthreadlocale(mode);
        delete saved;
        return Status(Status::Code::IoError, "the C numeric locale", "cannot be made");
    }
    return CNumericLocaleScope(saved, nullptr);
}

CNumericLocaleScope::CNumericLocaleScope(CNumericLocaleScope&& other) noexcept
    : c_(std::exchange(other.c_, nullptr)), previous_(other.previous_)
{
}

CNumericLocaleScope::~CNumericLocaleScope()
{
    if (!c_)
        return;
    auto* saved = static_cast<SavedLocale*>(c_);
    std::setlocale(LC_NUMERIC, saved->numeric.c_str());
    ::_configthreadlocale(saved->mode);
    delete saved;
}

}  // namespace tivka
