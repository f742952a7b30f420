#include "template_file.h"

#include <stdexcept>
#include <string_view>

#include "platform/files.h"
#include "platform/paths.h"

namespace tivka::template_tool {

namespace {

// Throws std::runtime_error with the reason alone (the caller names the file).
void throwUnlessOk(const Status& status)
{
    if (!status.ok())
        throw std::runtime_error(status.detail());
}

void replaceAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    throwUnlessOk(ReplaceFileAtomically(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
}

// The full file under a new temporary name beside `path`, then `path` given
// to it unless taken; false when taken.
bool writeUnderFreeName(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    const std::string folder = ParentFolder(path);
    const Result<std::string> created = CreateUniqueFile(folder.empty() ? "." : folder, ".tivka-template-");
    throwUnlessOk(created.status());
    const std::string& temporary = created.value();
    bool claimed = false;
    try {
        replaceAtomically(temporary, bytes);
        const Status named = ClaimFreeName(temporary, path);
        claimed = named.ok();
        if (named.code() != Status::Code::Exists)
            throwUnlessOk(named);
    } catch (...) {
        RemoveFile(temporary);
        throw;
    }
    RemoveFile(temporary);  // after a link the file keeps its new name
    return claimed;
}

std::runtime_error existsError(const std::string& path)
{
    return std::runtime_error(path + " exists already; give --force to replace it");
}

}  // namespace

void CheckNameFree(const std::string& path)
{
    if (NameTaken(path))
        throw existsError(path);
}

void WriteTemplateFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace)
{
    if (!replace)
        CheckNameFree(path);
    bool written = false;
    try {
        if (replace)
            replaceAtomically(path, bytes);
        written = replace || writeUnderFreeName(path, bytes);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("cannot write " + path + " (" + error.what() + ")");
    }
    if (!written)
        throw existsError(path);
}

}  // namespace tivka::template_tool
