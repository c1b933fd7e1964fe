#include "tests/e2e/Repository.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <stdexcept>

#include "tests/support/PgCluster.h"
#include "tests/support/ToolRunner.h"

namespace e2e {

std::string BackendName(Backend backend) {
    return backend == Backend::Sqlite ? "Sqlite" : "Postgres";
}

DemoRepository::DemoRepository(const std::string& broker, Backend backend) : backend_(backend) {
    if (backend == Backend::Sqlite) {
        db_ = locator_ = dir_ / "demo.db";
    } else {
        std::string why;
        qvtest::PgCluster* cluster = qvtest::PgCluster::Get(why);
        if (!cluster) throw std::runtime_error(why);
        const std::string conninfo = cluster->NewDatabase("e2e");
        db_ = conninfo.substr(conninfo.find("dbname=") + 7);
        db_ = db_.substr(0, db_.find(' '));
        locator_ = "postgresql:" + conninfo;
    }
    setenv("TESSARK_BROKERS", brokersFile().c_str(), 1);
    qvtest::ToolResult r = qvtest::RunTool("krepo", {"demo", locator_});
    if (r.exitCode != 0) throw std::runtime_error("krepo demo failed: " + r.err);
    r = qvtest::RunTool("krepo", {"broker", broker, locator_});
    if (r.exitCode != 0) throw std::runtime_error("krepo broker failed: " + r.err);
    AddUser(kTester, kTesterPassword);
}

DemoRepository::~DemoRepository() {
    unsetenv("TESSARK_BROKERS");
}

void DemoRepository::AddUser(const std::string& user, const std::string& password) {
    qvtest::ToolResult r = qvtest::RunTool("krepo", {"adduser", locator_, user}, password + "\n");
    if (r.exitCode != 0) throw std::runtime_error("krepo adduser failed: " + r.err);
}

namespace {

struct Connection {
    explicit Connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            std::string why = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw std::runtime_error("cannot open " + path + ": " + why);
        }
    }
    ~Connection() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

}  // namespace

void DemoRepository::Exec(const std::string& sql) {
    if (backend_ == Backend::Postgres) {
        std::string why;
        bool ok = false;
        qvtest::PgCluster::Get(why)->Sql(db_, sql, &ok);
        if (!ok) throw std::runtime_error("SQL failed: " + sql);
        return;
    }
    Connection c(db_);
    char* message = nullptr;
    if (sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string why = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("SQL failed: " + why + ": " + sql);
    }
}

std::string DemoRepository::Scalar(const std::string& sql) {
    if (backend_ == Backend::Postgres) {
        std::string why;
        bool ok = false;
        std::string out = qvtest::PgCluster::Get(why)->Sql(db_, sql, &ok);
        if (!ok) throw std::runtime_error("SQL failed: " + sql);
        out = out.substr(0, out.find('\n'));
        return out.substr(0, out.find('|'));
    }
    Connection c(db_);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c.db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("SQL failed: ") + sqlite3_errmsg(c.db));
    }
    std::string value;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0)) {
        value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace e2e
