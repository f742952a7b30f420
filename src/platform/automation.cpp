#include "platform/automation.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tivka {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

AutomationRegistry& AutomationRegistry::instance()
{
    static AutomationRegistry registry;
    return registry;
}

std::optional<AutomationClassFactory> AutomationRegistry::registerClass(const std::string& className,
                                                                        AutomationClassFactory factory)
{
    std::lock_guard lock(mutex_);
    auto& slot = classes_[lowerCase(className)];
    std::optional<AutomationClassFactory> previous;
    if (slot.create || slot.active)
        previous = std::move(slot);
    slot = std::move(factory);
    return previous;
}

void AutomationRegistry::unregisterClass(const std::string& className)
{
    std::lock_guard lock(mutex_);
    classes_.erase(lowerCase(className));
}

std::optional<AutomationClassFactory> AutomationRegistry::find(const std::string& className) const
{
    std::lock_guard lock(mutex_);
    auto it = classes_.find(lowerCase(className));
    if (it == classes_.end())
        return std::nullopt;
    return it->second;
}

// The factories run outside the lock: a server may consult the registry itself.
AutomationObjectPtr AutomationRegistry::getActiveObject(const std::string& className) const
{
    auto factory = find(className);
    AutomationObjectPtr object = factory && factory->active ? factory->active() : nullptr;
    if (!object)
        throw AutomationError(AutomationError::Kind::NoRunningObject,
                              "system error: no running object of class \"" + className + "\"");
    return object;
}

AutomationObjectPtr AutomationRegistry::createObject(const std::string& className) const
{
    auto factory = find(className);
    if (!factory || !factory->create)
        throw AutomationError(AutomationError::Kind::ClassNotRegistered,
                              "Invalid class string: \"" + className + "\" is not registered");
    AutomationObjectPtr object = factory->create();
    if (!object)
        throw AutomationError(AutomationError::Kind::Refused,
                              "The server of \"" + className + "\" did not create an object");
    return object;
}

ScopedAutomationClass::ScopedAutomationClass(std::string className, AutomationClassFactory factory)
    : className_(std::move(className))
{
    previous_ = AutomationRegistry::instance().registerClass(className_, std::move(factory));
}

ScopedAutomationClass::~ScopedAutomationClass()
{
    if (previous_)
        AutomationRegistry::instance().registerClass(className_, std::move(*previous_));
    else
        AutomationRegistry::instance().unregisterClass(className_);
}

AutomationObjectPtr GetActiveObject(const std::string& className)
{
    return AutomationRegistry::instance().getActiveObject(className);
}

AutomationObjectPtr CreateOleObject(const std::string& className)
{
    return AutomationRegistry::instance().createObject(className);
}

AutomationObjectPtr AsObject(const AutomationValue& value, const std::string& what)
{
    const auto* object = std::get_if<AutomationObjectPtr>(&value);
    if (!object || !*object)
        throw AutomationError(AutomationError::Kind::BadArguments,
                              what + " is not an object but " + DescribeValue(value));
    return *object;
}

std::string DescribeValue(const AutomationValue& value)
{
    struct Describe {
        std::string operator()(std::monostate) const { return "empty"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(std::int32_t i) const { return std::to_string(i); }
        std::string operator()(double d) const
        {
            char text[40];
            std::snprintf(text, sizeof text, "%.15g", d);
            return text;
        }
        std::string operator()(const std::string& s) const { return "'" + s + "'"; }
        std::string operator()(const AutomationObjectPtr& o) const { return o ? "an object" : "a null object"; }
    };
    return std::visit(Describe{}, value);
}

}  // namespace tivka
