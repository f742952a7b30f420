#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace tivka {

class AutomationObject;
using AutomationObjectPtr = std::shared_ptr<AutomationObject>;

// A late-bound automation value: empty, boolean, 32-bit integer, 64-bit
// float, text or an object.
using AutomationValue =
    std::variant<std::monostate, bool, std::int32_t, double, std::string, AutomationObjectPtr>;
using AutomationArgs = std::vector<AutomationValue>;

// Every failure of the automation layer. The kind lets a caller tell the
// system's "nothing of that class is running" apart from everything else:
// only that kind means "create one instead".
class AutomationError : public std::runtime_error {
public:
    enum class Kind {
        NoRunningObject,   // GetActiveObject found no running object of the class
        ClassNotRegistered,
        UnknownMember,     // the object has no such property or method
        BadArguments,      // wrong number or kind of arguments
        Refused,           // the object refused the value or the operation
    };
    AutomationError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// An object reached by name only. Member names are matched as the object
// chooses (the spreadsheet server ignores letter case, as automation servers
// do). Every operation throws AutomationError on failure.
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    virtual AutomationValue getProperty(const std::string& name, const AutomationArgs& args) = 0;
    virtual void putProperty(const std::string& name, const AutomationArgs& args, const AutomationValue& value) = 0;
    virtual AutomationValue callMethod(const std::string& name, const AutomationArgs& args) = 0;

    AutomationValue get(const std::string& name) { return getProperty(name, {}); }
    void put(const std::string& name, const AutomationValue& value) { putProperty(name, {}, value); }
};

// How a class name becomes an object: `create` makes a new instance, `active`
// gives the running one or nullptr when none runs.
struct AutomationClassFactory {
    std::function<AutomationObjectPtr()> create;
    std::function<AutomationObjectPtr()> active;
};

// The process-wide table of automation classes by name (names compared
// ignoring letter case). Safe to use from several threads.
class AutomationRegistry {
public:
    static AutomationRegistry& instance();

    // Registers or replaces a class; returns the factory it replaced, if any.
    std::optional<AutomationClassFactory> registerClass(const std::string& className,
                                                        AutomationClassFactory factory);
    void unregisterClass(const std::string& className);

    // Throws AutomationError(NoRunningObject) when the class is unknown or
    // has no running object, as the system does.
    AutomationObjectPtr getActiveObject(const std::string& className) const;
    // Throws AutomationError(ClassNotRegistered) for an unknown class.
    AutomationObjectPtr createObject(const std::string& className) const;

private:
    std::optional<AutomationClassFactory> find(const std::string& className) const;

    mutable std::mutex mutex_;
    std::map<std::string, AutomationClassFactory> classes_;  // keyed by lower-case name
};

// Registers a class for the lifetime of this object and puts back whatever
// was registered before (for tests and for swapping servers).
class ScopedAutomationClass {
public:
    ScopedAutomationClass(std::string className, AutomationClassFactory factory);
    ~ScopedAutomationClass();
    ScopedAutomationClass(const ScopedAutomationClass&) = delete;
    ScopedAutomationClass& operator=(const ScopedAutomationClass&) = delete;

private:
    std::string className_;
    std::optional<AutomationClassFactory> previous_;
};

// The running object of a class, through the process-wide registry.
AutomationObjectPtr GetActiveObject(const std::string& className);
// A new object of a class, through the process-wide registry.
AutomationObjectPtr CreateOleObject(const std::string& className);

// Value helpers: the object inside a value, or AutomationError(BadArguments)
// naming `what` when the value holds something else.
AutomationObjectPtr AsObject(const AutomationValue& value, const std::string& what);
// A short description of a value for messages ("empty", "true", "12", "'abc'").
std::string DescribeValue(const AutomationValue& value);

}  // namespace tivka
