#pragma once

#include <string>

namespace tivka {

// The user's decimal separator as the C library resolves the locale from the
// environment (LC_ALL, LC_NUMERIC, LANG); "." when none is set. Does not
// depend on the process's current setlocale state.
std::string SystemDecimalSeparator();

// Switches this thread to the "C" numeric rules for its lifetime and puts
// back what was there: for libraries that print numbers with printf, which
// would write 1,08215 under a comma locale. Throws std::runtime_error when
// the switch is impossible.
class CNumericLocaleScope {
public:
    CNumericLocaleScope();
    ~CNumericLocaleScope();
    CNumericLocaleScope(const CNumericLocaleScope&) = delete;
    CNumericLocaleScope& operator=(const CNumericLocaleScope&) = delete;

private:
    void* c_ = nullptr;
    void* previous_ = nullptr;
};

}  // namespace tivka
