#include <gtest/gtest.h>

#include <cstdio>

#include "export/spreadsheet_transfer.h"
#include "platform/spreadsheet_server.h"

namespace tivka {
namespace {

// Everything that happens during a transfer, automation calls and window
// hooks alike, as one list of lines.
struct Log {
    std::vector<std::string> lines;
    int books = 0;
    std::string failOn;  // member whose calls fail, if any
};

std::string tagged(const AutomationValue& value)
{
    struct Tag {
        std::string operator()(std::monostate) const { return "empty"; }
        std::string operator()(bool b) const { return b ? "b:true" : "b:false"; }
        std::string operator()(std::int32_t i) const { return "i:" + std::to_string(i); }
        std::string operator()(double d) const
        {
            char text[40];
            std::snprintf(text, sizeof text, "d:%.17g", d);
            return text;
        }
        std::string operator()(const std::string& s) const { return "s:'" + s + "'"; }
        std::string operator()(const AutomationObjectPtr&) const { return "object"; }
    };
    return std::visit(Tag{}, value);
}

std::string argumentList(const AutomationArgs& args)
{
    std::string text = "(";
    for (std::size_t i = 0; i < args.size(); ++i)
        text += (i ? "," : "") + tagged(args[i]);
    return text + ")";
}

// Stands in for the application, its workbook collection, a workbook and a
// worksheet, each labelled in the log.
class RecordingObject final : public AutomationObject, public std::enable_shared_from_this<RecordingObject> {
public:
    RecordingObject(std::string label, std::shared_ptr<Log> log) : label_(std::move(label)), log_(std::move(log)) {}

    AutomationValue getProperty(const std::string& name, const AutomationArgs& args) override
    {
        record("get " + name + argumentList(args), name);
        if (name == "Application")
            return AutomationObjectPtr(shared_from_this());
        if (name == "Workbooks")
            return child("books");
        if (name == "WorkSheets")
            return child("sheet" + label_.substr(4));
        return {};
    }
    void putProperty(const std::string& name, const AutomationArgs& args, const AutomationValue& value) override
    {
        record("put " + name + (args.empty() ? "" : argumentList(args)) + "=" + tagged(value), name);
    }
    AutomationValue callMethod(const std::string& name, const AutomationArgs& args) override
    {
        record("call " + name + argumentList(args), name);
        return name == "Add" ? child("book" + std::to_string(++log_->books)) : AutomationValue{};
    }

private:
    void record(const std::string& what, const std::string& member)
    {
        log_->lines.push_back(label_ + "." + what);
        if (member == log_->failOn)
            throw AutomationError(AutomationError::Kind::Refused, "refused " + member);
    }
    AutomationObjectPtr child(const std::string& label)
    {
        auto& slot = children_[label];
        if (!slot)
            slot = std::make_shared<RecordingObject>(label, log_);
        return slot;
    }

    std::string label_;
    std::shared_ptr<Log> log_;
    std::map<std::string, AutomationObjectPtr> children_;
};

class SpreadsheetTransfer : public ::testing::Test {
protected:
    std::shared_ptr<Log> log = std::make_shared<Log>();
    AutomationObjectPtr running;
    ScopedAutomationClass server{kSpreadsheetClassName, factory()};
    SpreadsheetState state;
    SpreadsheetTransferHooks hooks;
    bool loaded = true;
    std::string time = "12:30:45";
    std::function<void(SpreadsheetChannel&)> readers = [](SpreadsheetChannel& channel) {
        channel.ExcelSheet->putCell(channel.ExcelRow + 1, 2, std::string("Orders"));
        channel.ExcelSheet->putCell(4, 3, 1.2345);
    };

    SpreadsheetTransfer()
    {
        hooks.processEvents = [this] { log->lines.push_back("events"); };
        hooks.showBanner = [this](bool on) { log->lines.push_back(on ? "banner on" : "banner off"); };
        hooks.imagesLoaded = [this] { return loaded; };
        hooks.ordersTime = [this] { return time; };
        hooks.runReaders = [this](SpreadsheetChannel& channel) {
            log->lines.push_back("readers row " + std::to_string(channel.ExcelRow) +
                                 (channel.ExcelExport ? " exporting" : " not exporting"));
            readers(channel);
        };
    }

    AutomationClassFactory factory()
    {
        return {[this]() -> AutomationObjectPtr {
                    log->lines.push_back("create");
                    return running = std::make_shared<RecordingObject>("app", log);
                },
                [this] {
                    log->lines.push_back("attach");
                    return running;
                }};
    }

    std::vector<std::string> transfer()
    {
        log->lines.clear();
        RunSpreadsheetTransfer(state, hooks);
        return log->lines;
    }

    // The error message a failing transfer ends with.
    std::string failingTransfer()
    {
        log->lines.clear();
        try {
            RunSpreadsheetTransfer(state, hooks);
        } catch (const std::exception& error) {
            return error.what();
        }
        ADD_FAILURE() << "the transfer did not fail";
        return {};
    }
};

std::vector<std::string> opening(const std::string& book, const std::string& name)
{
    return {"app.get Application()", "app.put EnableEvents=b:false", "app.put Visible=b:false",
            "app.get Workbooks()", "books.call Add()", book + ".get WorkSheets(i:1)",
            "sheet" + book.substr(4) + ".put Name=s:'" + name + "'", book + ".get WorkSheets(i:1)",
            "banner on", "events"};
}

std::vector<std::string> concat(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(SpreadsheetTransfer, FirstCreatesTheApplicationAndLaterOnesAttach)
{
    EXPECT_EQ(transfer(), concat({{"events", "attach", "create"},
                                  opening("book1", "Tivka 12_30_45"),
                                  {"readers row 1 exporting", "sheet1.put Cells(i:2,i:2)=s:'Orders'",
                                   "sheet1.put Cells(i:4,i:3)=d:1.2344999999999999", "banner off",
                                   "app.put Visible=b:true"}}));
    AutomationObjectPtr firstSheet = state.ExcelSheet;
    EXPECT_EQ(state.ExcelApp, running);
    EXPECT_FALSE(state.channel.ExcelExport);

    time = "09:05";
    loaded = false;
    EXPECT_EQ(transfer(), concat({{"events", "attach"}, opening("book2", "Tivka 09_05_"), {"banner off", "app.put Visible=b:true"}}));
    EXPECT_EQ(state.ExcelApp, running);
    EXPECT_NE(state.ExcelSheet, firstSheet);
    EXPECT_FALSE(state.channel.ExcelExport);
}

TEST(SpreadsheetSheetName, TakesCharacterPairsOfTheTime)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"12:30:45", "Tivka 12_30_45"}, {"12:30", "Tivka 12_30_"}, {"", "Tivka __"},
        {"1", "Tivka 1__"},             {"12:3", "Tivka 12_3_"},   {"12:30:4", "Tivka 12_30_4"},
        {"12:30:45:99", "Tivka 12_30_45"}, {"1.2.3.4.5", "Tivka 1._.3_4."},
    };
    for (const auto& [time, name] : cases)
        EXPECT_EQ(SpreadsheetSheetName(time), name) << time;
}

TEST_F(SpreadsheetTransfer, ReaderErrorKeepsCellsAndPutsTheWindowBack)
{
    readers = [](SpreadsheetChannel& channel) {
        channel.ExcelSheet->putCell(2, 2, std::string("Orders"));
        throw std::runtime_error("'1,2x45' is not a valid floating point value");
    };
    EXPECT_EQ(failingTransfer(), "'1,2x45' is not a valid floating point value");
    EXPECT_EQ(log->lines, concat({{"events", "attach", "create"}, opening("book1", "Tivka 12_30_45"),
                                  {"readers row 1 exporting", "sheet1.put Cells(i:2,i:2)=s:'Orders'", "banner off",
                                   "app.put Visible=b:true"}}));
    EXPECT_FALSE(state.channel.ExcelExport);
    EXPECT_EQ(state.channel.ExcelSheet, nullptr);
}

TEST_F(SpreadsheetTransfer, RefusedCallEndsTheTransferThere)
{
    const struct {
        std::string failOn;
        std::vector<std::string> tail;  // after the call that failed
    } cases[] = {
        {"EnableEvents", {"app.put Visible=b:true"}},
        {"Add", {"app.put Visible=b:true"}},
        {"Name", {"app.put Visible=b:true"}},
        {"Cells", {"banner off", "app.put Visible=b:true"}},
        // Failing to hide: no banner went up, and showing is still tried.
        {"Visible", {"app.put Visible=b:true"}},
    };
    for (const auto& c : cases) {
        log->failOn = c.failOn;
        EXPECT_EQ(failingTransfer(), "refused " + c.failOn);
        auto failed = std::find_if(log->lines.begin(), log->lines.end(),
                                   [&](const std::string& line) { return line.find(" " + c.failOn) != std::string::npos; });
        ASSERT_NE(failed, log->lines.end()) << c.failOn;
        EXPECT_EQ(std::vector<std::string>(failed + 1, log->lines.end()), c.tail) << c.failOn;
        EXPECT_FALSE(state.channel.ExcelExport) << c.failOn;
    }
}

TEST_F(SpreadsheetTransfer, OnlyTheNoRunningObjectErrorLeadsToCreating)
{
    ScopedAutomationClass broken(kSpreadsheetClassName,
                                 {[this]() -> AutomationObjectPtr {
                                      log->lines.push_back("create");
                                      return nullptr;
                                  },
                                  [this]() -> AutomationObjectPtr {
                                      log->lines.push_back("attach");
                                      throw AutomationError(AutomationError::Kind::Refused, "server busy");
                                  }});
    EXPECT_EQ(failingTransfer(), "server busy");
    EXPECT_EQ(log->lines, (std::vector<std::string>{"events", "attach"}));
    EXPECT_EQ(state.ExcelApp, nullptr);
}

TEST_F(SpreadsheetTransfer, NoApplicationAtAllEndsBeforeAnythingElse)
{
    AutomationRegistry::instance().unregisterClass(kSpreadsheetClassName);  // the fixture's scope restores it
    std::string message = failingTransfer();
    EXPECT_NE(message.find("Excel.Application"), std::string::npos) << message;
    EXPECT_EQ(log->lines, std::vector<std::string>{"events"});
    EXPECT_FALSE(state.channel.ExcelExport);
}

}  // namespace
}  // namespace tivka
