#include <gtest/gtest.h>

#include "platform/automation.h"

namespace tivka {
namespace {

class NamedObject final : public AutomationObject {
public:
    explicit NamedObject(std::string name) : name_(std::move(name)) {}
    AutomationValue getProperty(const std::string&, const AutomationArgs&) override { return name_; }
    void putProperty(const std::string&, const AutomationArgs&, const AutomationValue&) override {}
    AutomationValue callMethod(const std::string&, const AutomationArgs&) override { return {}; }

private:
    std::string name_;
};

AutomationClassFactory factoryOf(AutomationObjectPtr created, AutomationObjectPtr running)
{
    return {[created] { return created; }, [running] { return running; }};
}

std::string nameOf(const AutomationObjectPtr& object)
{
    return std::get<std::string>(object->get("Name"));
}

AutomationError::Kind kindOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AutomationError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no AutomationError";
    return AutomationError::Kind::Refused;
}

TEST(AutomationRegistry, UnknownClassFailsDistinctlyForAttachAndCreate)
{
    try {
        GetActiveObject("Tivka.NoSuchClass");
        FAIL() << "attached to an unregistered class";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.kind(), AutomationError::Kind::NoRunningObject);
        EXPECT_NE(std::string(error.what()).find("system error: no running object"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("Tivka.NoSuchClass"), std::string::npos);
    }
    EXPECT_EQ(kindOf([] { CreateOleObject("Tivka.NoSuchClass"); }), AutomationError::Kind::ClassNotRegistered);
}

TEST(AutomationRegistry, RegisteredClassAttachesOnlyWhenRunningAndIgnoresCase)
{
    auto made = std::make_shared<NamedObject>("made");
    ScopedAutomationClass idle("Tivka.Test", factoryOf(made, nullptr));
    EXPECT_EQ(kindOf([] { GetActiveObject("Tivka.Test"); }), AutomationError::Kind::NoRunningObject);
    EXPECT_EQ(nameOf(CreateOleObject("tivka.TEST")), "made");

    auto running = std::make_shared<NamedObject>("running");
    ScopedAutomationClass active("TIVKA.test", factoryOf(made, running));
    EXPECT_EQ(nameOf(GetActiveObject("Tivka.Test")), "running");
}

TEST(AutomationRegistry, ScopedRegistrationPutsBackWhatWasThere)
{
    {
        ScopedAutomationClass outer("Tivka.Scoped", factoryOf(std::make_shared<NamedObject>("outer"), nullptr));
        {
            ScopedAutomationClass inner("Tivka.Scoped", factoryOf(std::make_shared<NamedObject>("inner"), nullptr));
            EXPECT_EQ(nameOf(CreateOleObject("Tivka.Scoped")), "inner");
        }
        EXPECT_EQ(nameOf(CreateOleObject("Tivka.Scoped")), "outer");
    }
    EXPECT_EQ(kindOf([] { CreateOleObject("Tivka.Scoped"); }), AutomationError::Kind::ClassNotRegistered);
}

TEST(AutomationRegistry, FactoryMakingNothingIsAnError)
{
    ScopedAutomationClass broken("Tivka.Broken", factoryOf(nullptr, nullptr));
    EXPECT_EQ(kindOf([] { CreateOleObject("Tivka.Broken"); }), AutomationError::Kind::Refused);
}

}  // namespace
}  // namespace tivka
