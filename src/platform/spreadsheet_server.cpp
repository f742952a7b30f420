#include "platform/spreadsheet_server.h"

#include <cctype>
#include <cmath>

namespace tivka {

namespace {

constexpr std::int32_t kMaxRows = 1048576;
constexpr std::int32_t kMaxColumns = 16384;
constexpr std::size_t kMaxSheetNameLength = 31;

bool is(const std::string& name, const char* member)
{
    std::size_t i = 0;
    for (; member[i] != '\0'; ++i)
        if (i >= name.size() || std::tolower((unsigned char)name[i]) != std::tolower((unsigned char)member[i]))
            return false;
    return i == name.size();
}

[[noreturn]] void unknownMember(const char* object, const std::string& name)
{
    throw AutomationError(AutomationError::Kind::UnknownMember,
                          std::string("The ") + object + " has no member \"" + name + "\"");
}

void expectArgCount(const std::string& member, const AutomationArgs& args, std::size_t count)
{
    if (args.size() != count)
        throw AutomationError(AutomationError::Kind::BadArguments,
                              member + " takes " + std::to_string(count) + " argument(s), got " +
                                  std::to_string(args.size()));
}

// Integers arrive as 32-bit integers; a whole float is taken too, as the
// automation layer's own conversion would.
std::int32_t toInteger(const AutomationValue& value, const std::string& what)
{
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return *integer;
    if (const auto* number = std::get_if<double>(&value);
        number && std::trunc(*number) == *number && std::abs(*number) <= 2147483647.0)
        return std::int32_t(*number);
    throw AutomationError(AutomationError::Kind::BadArguments,
                          what + " must be a whole number, not " + DescribeValue(value));
}

bool toBoolean(const AutomationValue& value, const std::string& what)
{
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag;
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return *integer != 0;
    throw AutomationError(AutomationError::Kind::BadArguments,
                          what + " must be true or false, not " + DescribeValue(value));
}

std::size_t utf8Length(const std::string& text)
{
    std::size_t length = 0;
    for (unsigned char c : text)
        length += (c & 0xC0) != 0x80;
    return length;
}

}  // namespace

void CheckSheetName(const std::string& name)
{
    auto refuse = [&](const std::string& why) {
        throw AutomationError(AutomationError::Kind::Refused,
                              "The worksheet name '" + name + "' is not allowed: " + why);
    };
    if (name.empty())
        refuse("it is empty");
    if (utf8Length(name) > kMaxSheetNameLength)
        refuse("it is longer than 31 characters");
    if (name.find_first_of(":\\/?*[]") != std::string::npos)
        refuse("it contains one of the characters : \\ / ? * [ ]");
    if (name.front() == '\'' || name.back() == '\'')
        refuse("it starts or ends with an apostrophe");
}

class SpreadsheetApplication::Worksheet : public AutomationObject {
public:
    WorksheetData data{"Sheet1", {}};

    AutomationValue getProperty(const std::string& name, const AutomationArgs& args) override
    {
        if (is(name, "Name")) {
            expectArgCount(name, args, 0);
            return data.name;
        }
        if (is(name, "Cells")) {
            auto it = data.cells.find(cellPosition(name, args));
            return it == data.cells.end() ? AutomationValue{} : it->second;
        }
        unknownMember("worksheet", name);
    }

    void putProperty(const std::string& name, const AutomationArgs& args, const AutomationValue& value) override
    {
        if (is(name, "Name")) {
            expectArgCount(name, args, 0);
            const auto* text = std::get_if<std::string>(&value);
            if (!text)
                throw AutomationError(AutomationError::Kind::BadArguments,
                                      "The worksheet name must be a text, not " + DescribeValue(value));
            CheckSheetName(*text);
            data.name = *text;
            return;
        }
        if (is(name, "Cells"))
            return putCell(cellPosition(name, args), value);
        unknownMember("worksheet", name);
    }

    AutomationValue callMethod(const std::string& name, const AutomationArgs&) override
    {
        unknownMember("worksheet", name);
    }

private:
    std::pair<std::int32_t, std::int32_t> cellPosition(const std::string& name, const AutomationArgs& args)
    {
        expectArgCount(name, args, 2);
        std::int32_t row = toInteger(args[0], "The row of Cells");
        std::int32_t column = toInteger(args[1], "The column of Cells");
        if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
            throw AutomationError(AutomationError::Kind::Refused,
                                  "There is no cell at row " + std::to_string(row) + ", column " +
                                      std::to_string(column));
        return {row, column};
    }

    void putCell(std::pair<std::int32_t, std::int32_t> position, const AutomationValue& value)
    {
        if (std::holds_alternative<AutomationObjectPtr>(value))
            throw AutomationError(AutomationError::Kind::BadArguments, "A cell cannot hold an object");
        if (std::holds_alternative<std::monostate>(value))
            data.cells.erase(position);
        else
            data.cells[position] = value;
    }
};

class SpreadsheetApplication::Workbook : public AutomationObject {
public:
    std::shared_ptr<Worksheet> sheet = std::make_shared<Worksheet>();

    AutomationValue getProperty(const std::string& name, const AutomationArgs& args) override
    {
        if (is(name, "WorkSheets") || is(name, "Sheets"))
            return worksheet(name, args);
        unknownMember("workbook", name);
    }

    void putProperty(const std::string& name, const AutomationArgs&, const AutomationValue&) override
    {
        unknownMember("workbook", name);
    }

    // WorkSheets(1) may be called as a method as well, as late binding allows.
    AutomationValue callMethod(const std::string& name, const AutomationArgs& args) override
    {
        return getProperty(name, args);
    }

private:
    AutomationValue worksheet(const std::string& name, const AutomationArgs& args)
    {
        expectArgCount(name, args, 1);
        const auto* byName = std::get_if<std::string>(&args[0]);
        if (byName ? *byName == sheet->data.name : toInteger(args[0], "The worksheet index") == 1)
            return AutomationObjectPtr(sheet);
        throw AutomationError(AutomationError::Kind::Refused,
                              "The workbook has no worksheet " + DescribeValue(args[0]));
    }
};

class SpreadsheetApplication::Workbooks : public AutomationObject {
public:
    explicit Workbooks(std::weak_ptr<SpreadsheetApplication> application) : application_(std::move(application)) {}

    AutomationValue getProperty(const std::string& name, const AutomationArgs&) override
    {
        unknownMember("workbook collection", name);
    }

    void putProperty(const std::string& name, const AutomationArgs&, const AutomationValue&) override
    {
        unknownMember("workbook collection", name);
    }

    AutomationValue callMethod(const std::string& name, const AutomationArgs& args) override
    {
        if (!is(name, "Add"))
            unknownMember("workbook collection", name);
        expectArgCount(name, args, 0);
        auto application = application_.lock();
        if (!application)
            throw AutomationError(AutomationError::Kind::Refused, "The spreadsheet application has ended");
        auto book = std::make_shared<Workbook>();
        application->pending_.push_back(book->sheet);
        return AutomationObjectPtr(book);
    }

private:
    std::weak_ptr<SpreadsheetApplication> application_;
};

SpreadsheetApplication::SpreadsheetApplication(SpreadsheetServerOptions options) : options_(std::move(options)) {}

AutomationValue SpreadsheetApplication::getProperty(const std::string& name, const AutomationArgs& args)
{
    expectArgCount(name, args, 0);
    if (is(name, "Application"))
        return AutomationObjectPtr(shared_from_this());
    if (is(name, "EnableEvents"))
        return enableEvents_;
    if (is(name, "Visible"))
        return visible_;
    if (is(name, "Workbooks")) {
        if (!workbooks_)
            workbooks_ = std::make_shared<Workbooks>(weak_from_this());
        return AutomationObjectPtr(workbooks_);
    }
    unknownMember("spreadsheet application", name);
}

void SpreadsheetApplication::putProperty(const std::string& name, const AutomationArgs& args,
                                         const AutomationValue& value)
{
    expectArgCount(name, args, 0);
    if (is(name, "EnableEvents")) {
        enableEvents_ = toBoolean(value, name);
    } else if (is(name, "Visible")) {
        visible_ = toBoolean(value, name);
        if (visible_)
            show();
    } else {
        unknownMember("spreadsheet application", name);
    }
}

AutomationValue SpreadsheetApplication::callMethod(const std::string& name, const AutomationArgs&)
{
    unknownMember("spreadsheet application", name);
}

// Writes every workbook not shown yet; one that fails to write stays pending
// (and the error goes to the caller) so the next showing tries it again.
void SpreadsheetApplication::show()
{
    std::string folder = options_.folder.empty() ? DocumentsFolder() : options_.folder;
    std::vector<std::string> paths;
    while (!pending_.empty()) {
        paths.push_back(WriteXlsxFileNoOverwrite(pending_.front()->data, folder));
        written_.push_back(paths.back());
        pending_.erase(pending_.begin());
    }
    if (options_.opener)
        for (const auto& path : paths)
            options_.opener(path);
}

AutomationClassFactory SpreadsheetServerFactory(SpreadsheetServerOptions options)
{
    auto running = std::make_shared<std::shared_ptr<SpreadsheetApplication>>();
    AutomationClassFactory factory;
    factory.create = [running, options]() -> AutomationObjectPtr {
        auto application = std::make_shared<SpreadsheetApplication>(options);
        if (!*running)
            *running = application;
        return application;
    };
    factory.active = [running]() -> AutomationObjectPtr { return *running; };
    return factory;
}

void RegisterSpreadsheetServer(SpreadsheetServerOptions options)
{
    AutomationRegistry::instance().registerClass(kSpreadsheetClassName, SpreadsheetServerFactory(std::move(options)));
}

}  // namespace tivka
