// Thin RAII wrappers around a SQLite repository file.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::tools {

// A prepared statement. Parameters are bound by 1-based index; columns are read by 0-based index.
class Stmt {
public:
    Stmt() = default;
    explicit Stmt(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Stmt() { sqlite3_finalize(stmt_); }
    Stmt(Stmt&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
    Stmt& operator=(Stmt&& other) noexcept;
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    explicit operator bool() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }

    Stmt& Bind(int index, int64_t value);
    Stmt& Bind(int index, std::string_view text);
    Stmt& BindBlob(int index, std::string_view bytes);
    Stmt& BindNull(int index);

    // Steps once: SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Steps to the end and resets for the next use; true on SQLITE_DONE.
    bool Run();
    void Reset();

    long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string Text(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// One open repository connection.
class Db {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    Db() = default;
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Opens the file; ReadOnly also sets "PRAGMA query_only". False with `error` set on failure.
    bool Open(const std::string& path, Mode mode, std::string& error);
    void Close();

    sqlite3* handle() const { return db_; }
    std::string LastError() const;

    // Runs one or more statements without results.
    bool Exec(const std::string& sql, std::string& error);
    // Prepares one statement; an empty Stmt on failure, with `error` set.
    Stmt Prepare(const std::string& sql, std::string& error);

    // True when a table of that name exists.
    bool HasTable(const std::string& name);

private:
    sqlite3* db_ = nullptr;
};

// Runs statements inside one transaction that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Db& db);
    ~Transaction();
    bool ok() const { return ok_; }
    bool Commit(std::string& error);

private:
    Db& db_;
    bool ok_ = false;
    bool done_ = false;
};

// Where a broker's repository is: a SQLite file ("sqlite:/absolute/path.db") or a PostgreSQL
// database ("postgresql:" followed by a libpq connection string in key/value form, or a
// "postgresql://" or "postgres://" URI as a whole).
struct Locator {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    std::string target;  // the file path, or the connection string
};

// False with `error` set for another scheme, a relative path, an empty connection string or a
// line break.
bool ParseLocator(const std::string& locator, Locator& out, std::string& error);

}  // namespace qv::tools
