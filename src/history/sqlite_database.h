#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tivka {

// A history database that cannot be opened, read or written; the message
// names the file and says what went wrong.
class HistoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One SQLite connection, used from one thread at a time. Every failure throws
// HistoryError("<path>: <what SQLite says>").
class SqliteDatabase {
public:
    // Opens the file read-write, creating it when `create` is set. Waits up to
    // five seconds for a lock another connection holds.
    SqliteDatabase(const std::string& path, bool create);

    struct ReadOnly {};
    // Opens an existing file for reading only, leaving nothing behind that a
    // later writer could trip over. A file this process may write is read as
    // SQLite shares it with writers (the write-ahead log's index beside it
    // then gets the file's own permissions). One it may not write is read
    // through the log files beside it when a writer left them, and otherwise
    // as the file stands, with nothing created in its folder: SQLite would
    // make those files read-only, and a writer could not use them once the
    // file was made writable again.
    SqliteDatabase(const std::string& path, ReadOnly);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs one or more statements that return no rows.
    void execute(const std::string& sql);
    // Rows changed by the last INSERT, UPDATE or DELETE.
    std::int64_t changes() const;
    // The rowid of the last row inserted.
    std::int64_t lastInsertId() const;
    [[noreturn]] void fail(std::string_view what) const;
    sqlite3* handle() const { return db_; }
    const std::string& path() const { return path_; }

private:
    bool tryOpen(const std::string& uri, int flags, bool last);

    std::string path_;
    sqlite3* db_ = nullptr;
};

// A prepared statement; bind positions count from 1. step() is true while it
// yields a row; reset() makes it ready to run again with new bindings.
class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& db, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bind(int position, std::int64_t value);
    SqliteStatement& bind(int position, double value);
    SqliteStatement& bind(int position, std::string_view text);
    SqliteStatement& bindBlob(int position, std::string_view bytes);
    SqliteStatement& bindNull(int position);
    bool step();
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::string blob(int column) const;

private:
    SqliteDatabase& db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A transaction that rolls back unless commit() was called. Outside any
// transaction it takes the write lock straight away (BEGIN IMMEDIATE), so
// that two writers never deadlock; inside one it is a savepoint, whose
// changes last as long as the outer transaction's.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDatabase& db_;
    bool nested_;
    bool open_ = true;
};

}  // namespace tivka
