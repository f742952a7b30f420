#include "history/sqlite_database.h"

#include <sqlite3.h>

#include "platform/files.h"

namespace tivka {

namespace {

constexpr int kBusyWaitMs = 5000;

// A file name as an SQLite URI: the characters that would start a query or a
// fragment, and "%", escaped; an absolute path behind an empty authority.
std::string uriOf(const std::string& path)
{
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#')
            uri += c == '%' ? "%25" : c == '?' ? "%3F" : "%23";
        else
            uri += c;
    }
    return uri;
}

// Whether SQLite would open the file for writing (it falls back to reading
// when the file's permissions forbid it). Opening alone reads and writes
// nothing.
bool writableByUs(const std::string& path)
{
    sqlite3* db = nullptr;
    const bool writable = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
                              SQLITE_OK &&
                          sqlite3_db_readonly(db, "main") == 0;
    sqlite3_close(db);
    return writable;
}

}  // namespace

SqliteDatabase::SqliteDatabase(const std::string& path, bool create) : path_(path)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw HistoryError(path + ": " + reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyWaitMs);
}

SqliteDatabase::SqliteDatabase(const std::string& path, ReadOnly) : path_(path)
{
    constexpr int kFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    const std::string uri = uriOf(path);
    // Each way is tried only when the one before could not use the log files
    // (a writable file in a folder that is not, files nobody may write).
    bool usable = writableByUs(path) && tryOpen(uri + "?mode=ro", kFlags, false);
    if (!usable && IsRegularFile(path + "-wal") && IsRegularFile(path + "-shm"))
        usable = tryOpen(uri + "?mode=ro&readonly_shm=1", kFlags, false);
    if (!usable)
        tryOpen(uri + "?immutable=1", kFlags, true);
}

// Opens `uri` and reads the schema once, since SQLite opens the log files
// only then. False, with nothing open, when the log files could not be
// opened or made and this is not the `last` way; any other failure (not a
// database, a lock held too long) is thrown.
bool SqliteDatabase::tryOpen(const std::string& uri, int flags, bool last)
{
    int result = sqlite3_open_v2(uri.c_str(), &db_, flags, nullptr);
    if (result == SQLITE_OK) {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, kBusyWaitMs);
        result = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK)
            return true;
    }
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    const int primary = result & 0xFF;
    if (!last && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN))
        return false;
    throw HistoryError(path_ + ": " + reason);
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(db_);
}

void SqliteDatabase::fail(std::string_view what) const
{
    throw HistoryError(path_ + ": " + std::string(what) + ": " + sqlite3_errmsg(db_));
}

void SqliteDatabase::execute(const std::string& sql)
{
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("cannot run \"" + sql.substr(0, sql.find_first_of("(\n")) + "\"");
}

std::int64_t SqliteDatabase::changes() const
{
    return sqlite3_changes64(db_);
}

std::int64_t SqliteDatabase::lastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const std::string& sql) : db_(db)
{
    if (sqlite3_prepare_v3(db.handle(), sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement_,
                           nullptr) != SQLITE_OK)
        db.fail("cannot prepare \"" + sql.substr(0, 40) + "\"");
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::bind(int position, std::int64_t value)
{
    if (sqlite3_bind_int64(statement_, position, value) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int position, double value)
{
    if (sqlite3_bind_double(statement_, position, value) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int position, std::string_view text)
{
    if (sqlite3_bind_text64(statement_, position, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
        SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int position, std::string_view bytes)
{
    if (sqlite3_bind_blob64(statement_, position, bytes.data(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int position)
{
    if (sqlite3_bind_null(statement_, position) != SQLITE_OK)
        db_.fail("cannot bind a value");
    return *this;
}

bool SqliteStatement::step()
{
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    const std::string reason = sqlite3_errmsg(db_.handle());
    sqlite3_reset(statement_);
    throw HistoryError(db_.path() + ": " + reason);
}

void SqliteStatement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(statement_, column);
}

std::string SqliteStatement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes ? std::string(bytes, std::size_t(sqlite3_column_bytes(statement_, column))) : std::string();
}

std::string SqliteStatement::blob(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string(bytes, std::size_t(sqlite3_column_bytes(statement_, column))) : std::string();
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& db) : db_(db), nested_(sqlite3_get_autocommit(db.handle()) == 0)
{
    db_.execute(nested_ ? "SAVEPOINT nested" : "BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction()
{
    if (open_)
        sqlite3_exec(db_.handle(), nested_ ? "ROLLBACK TO nested; RELEASE nested" : "ROLLBACK", nullptr, nullptr,
                     nullptr);
}

void SqliteTransaction::commit()
{
    db_.execute(nested_ ? "RELEASE nested" : "COMMIT");
    open_ = false;
}

}  // namespace tivka
