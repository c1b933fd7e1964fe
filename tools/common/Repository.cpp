#include "tools/common/Repository.h"

#include <utility>

namespace qv::tools {

Stmt& Stmt::operator=(Stmt&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

Stmt& Stmt::Bind(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Stmt& Stmt::Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::BindBlob(int index, std::string_view bytes) {
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::BindNull(int index) {
    sqlite3_bind_null(stmt_, index);
    return *this;
}

int Stmt::Step() {
    return sqlite3_step(stmt_);
}

bool Stmt::Run() {
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt_);
    return rc == SQLITE_DONE;
}

void Stmt::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string Stmt::Text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

Db::~Db() {
    Close();
}

void Db::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Db::Open(const std::string& path, Mode mode, std::string& error) {
    Close();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
        case Mode::ReadOnly:
            flags |= SQLITE_OPEN_READONLY;
            break;
        case Mode::ReadWrite:
            flags |= SQLITE_OPEN_READWRITE;
            break;
        case Mode::Create:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
            break;
    }
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = "cannot open repository " + path + ": " +
                (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        Close();
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
    if (mode == Mode::ReadOnly) {
        if (!Exec("PRAGMA query_only = 1", error)) {
            Close();
            return false;
        }
    } else if (!Exec("PRAGMA foreign_keys = OFF", error)) {
        Close();
        return false;
    }
    return true;
}

std::string Db::LastError() const {
    return db_ ? sqlite3_errmsg(db_) : "repository not open";
}

bool Db::Exec(const std::string& sql, std::string& error) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        error = msg ? msg : LastError();
        sqlite3_free(msg);
        return false;
    }
    return true;
}

Stmt Db::Prepare(const std::string& sql, std::string& error) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        error = LastError();
        sqlite3_finalize(stmt);
        return Stmt();
    }
    return Stmt(stmt);
}

bool Db::HasTable(const std::string& name) {
    std::string error;
    Stmt st = Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", error);
    if (!st) return false;
    st.Bind(1, name);
    return st.Step() == SQLITE_ROW;
}

Transaction::Transaction(Db& db) : db_(db) {
    std::string error;
    ok_ = db_.Exec("BEGIN IMMEDIATE", error);
}

Transaction::~Transaction() {
    if (ok_ && !done_) {
        std::string error;
        db_.Exec("ROLLBACK", error);
    }
}

bool Transaction::Commit(std::string& error) {
    if (!ok_) {
        error = "no transaction";
        return false;
    }
    done_ = true;
    return db_.Exec("COMMIT", error);
}

bool ParseLocator(const std::string& locator, Locator& out, std::string& error) {
    static const std::string kSqlite = "sqlite:";
    static const std::string kPostgres = "postgresql:";
    auto startsWith = [&](const std::string& prefix) {
        return locator.compare(0, prefix.size(), prefix) == 0;
    };
    if (locator.find_first_of("\r\n") != std::string::npos) {
        error = "line break in repository locator";
        return false;
    }
    if (startsWith("postgresql://") || startsWith("postgres://")) {
        out = {Locator::Kind::Postgres, locator};
        return true;
    }
    if (startsWith(kPostgres)) {
        out = {Locator::Kind::Postgres, locator.substr(kPostgres.size())};
        if (out.target.find_first_not_of(" \t") == std::string::npos) {
            error = "empty PostgreSQL connection string in the repository locator";
            return false;
        }
        return true;
    }
    if (!startsWith(kSqlite)) {
        error =
            "unknown repository locator (expected sqlite:/absolute/path.db or "
            "postgresql:CONNECTION)";
        return false;
    }
    out = {Locator::Kind::Sqlite, locator.substr(kSqlite.size())};
    if (out.target.empty() || out.target[0] != '/') {
        error = "repository path must be absolute in '" + locator + "'";
        return false;
    }
    return true;
}

}  // namespace qv::tools
