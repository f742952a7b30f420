#pragma once

#include <string>

#include "platform/status.h"

namespace tivka {

// The user's decimal separator as the C library resolves the locale from the
// environment (LC_ALL, LC_NUMERIC, LANG); "." when none is set. Does not
// depend on the process's current setlocale state.
std::string SystemDecimalSeparator();

// This thread under the "C" numeric rules for the scope's lifetime, then
// back to what was there: for libraries that print numbers with printf, which
// would write 1,08215 under a comma locale. Kept on the thread that entered it.
class CNumericLocaleScope {
public:
    // Switches; IoError when the system cannot make the locale.
    static Result<CNumericLocaleScope> Enter();
    CNumericLocaleScope(CNumericLocaleScope&& other) noexcept;
    CNumericLocaleScope& operator=(CNumericLocaleScope&&) = delete;
    ~CNumericLocaleScope();
    CNumericLocaleScope(const CNumericLocaleScope&) = delete;
    CNumericLocaleScope& operator=(const CNumericLocaleScope&) = delete;

private:
    CNumericLocaleScope(void* c, void* previous) : c_(c), previous_(previous) {}
    void* c_ = nullptr;  // null once moved from: nothing to put back
    void* previous_ = nullptr;
};

}  // namespace tivka
