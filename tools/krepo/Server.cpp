#include "tools/krepo/Server.h"

#include <time.h>

#include <cstdio>
#include <set>

#include "tools/common/Brokers.h"
#include "tools/common/PgRepository.h"
#include "tools/common/Repository.h"
#include "tools/common/Schema.h"
#include "tools/krepo/Demo.h"

namespace qv::tools {
namespace {

int Fail(const std::string& message) {
    fprintf(stderr, "krepo: %s\n", message.c_str());
    return 1;
}

bool Connect(const std::string& locator, PgConn& db, std::string& error) {
    Locator parsed;
    if (!ParseLocator(locator, parsed, error)) return false;
    if (!db.Connect(parsed.target, kConnectTimeoutSeconds, error)) {
        error = "cannot reach the repository server: " + error;
        return false;
    }
    return true;
}

bool OpenExisting(const std::string& locator, PgConn& db, std::string& error) {
    if (!Connect(locator, db, error)) return false;
    if (!PgHasSchema(db)) {
        error = "the database holds no repository (or this role cannot see its tables)";
        return false;
    }
    return true;
}

QueryRows ServerRows(PgConn& db) {
    return [&db](const std::string& sql, std::vector<std::vector<std::string>>& rows,
                 std::string& error) {
        rows.clear();
        PgResult r = db.Query(sql, {}, error);
        if (!r.ok()) return false;
        for (int i = 0; i < r.Rows(); ++i) {
            std::vector<std::string> row;
            for (int c = 0; c < r.Columns(); ++c) row.push_back(r.Text(i, c));
            rows.push_back(std::move(row));
        }
        return true;
    };
}

// One value in COPY's text format.
void AppendCopyValue(std::string& out, sqlite3_stmt* st, int column) {
    static const char kHex[] = "0123456789abcdef";
    switch (sqlite3_column_type(st, column)) {
        case SQLITE_NULL:
            out += "\\N";
            return;
        case SQLITE_BLOB: {
            const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(st, column));
            int n = sqlite3_column_bytes(st, column);
            out += "\\\\x";
            for (int i = 0; i < n; ++i) {
                out += kHex[p[i] >> 4];
                out += kHex[p[i] & 15];
            }
            return;
        }
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
            int n = sqlite3_column_bytes(st, column);
            for (int i = 0; i < n; ++i) {
                char c = p[i];
                if (c == '\\')
                    out += "\\\\";
                else if (c == '\t')
                    out += "\\t";
                else if (c == '\n')
                    out += "\\n";
                else if (c == '\r')
                    out += "\\r";
                else
                    out += c;
            }
        }
    }
}

// Copies the rows of a table from the built SQLite repository to the server, skipping the rows
// whose first column `skip` names.
bool CopyTable(Db& from, PgConn& to, const std::string& table, const std::set<std::string>& skip,
               int skipColumn, std::string& error) {
    Stmt st = from.Prepare("SELECT * FROM " + table, error);
    if (!st) return false;
    PgResult start(Pq().PQexec(to.get(), ("COPY " + table + " FROM STDIN").c_str()));
    if (Pq().PQresultStatus(start.get()) != PGRES_COPY_IN) {
        error = start.Error();
        return false;
    }
    std::string buffer;
    auto flush = [&]() {
        bool ok = Pq().PQputCopyData(to.get(), buffer.data(), static_cast<int>(buffer.size())) == 1;
        buffer.clear();
        return ok;
    };
    const int columns = sqlite3_column_count(st.get());
    int rc;
    bool ok = true;
    while (ok && (rc = st.Step()) == SQLITE_ROW) {
        if (skipColumn >= 0 && skip.count(st.Text(skipColumn))) continue;
        for (int c = 0; c < columns; ++c) {
            if (c) buffer += '\t';
            AppendCopyValue(buffer, st.get(), c);
        }
        buffer += '\n';
        if (buffer.size() > (1u << 20)) ok = flush();
    }
    if (ok) ok = flush();
    Pq().PQputCopyEnd(to.get(), ok ? nullptr : "the demo data could not be sent");
    bool copied = true;
    while (PGresult* raw = Pq().PQgetResult(to.get())) {
        PgResult r(raw);
        if (!r.ok() && copied) {
            error = r.Error();
            copied = false;
        }
    }
    if (ok && copied && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        error = from.LastError();
        return false;
    }
    return ok && copied;
}

// Builds the demo data set in a SQLite repository in memory, with the users and the object
// sequence the server repository already has, and copies what is new to the server in one
// transaction.
bool LoadDemoOnServer(PgConn& pg, long long size, bool indexesAfter, std::string& error) {
    PgResult projects = pg.Query("SELECT COUNT(*) FROM KESENVIRONMENT", {}, error);
    if (!projects.ok()) return false;
    if (projects.Int(0, 0) != 0) {
        error = "the repository already holds projects; the demo needs an empty repository";
        return false;
    }
    Db mem;
    if (!mem.Open(":memory:", Db::Mode::Create, error) || !CreateSchema(mem, false, error))
        return false;
    PgResult users = pg.Query("SELECT USROBJID, USERNAME FROM KESALLUSERS", {}, error);
    PgResult next = pg.Query("SELECT VALUE FROM TKMETA WHERE KEY = 'nextobjid'", {}, error);
    if (!users.ok() || !next.ok()) return false;
    std::set<std::string> known;
    Stmt addUser =
        mem.Prepare("INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (?1, ?2)", error);
    Stmt setNext = mem.Prepare("UPDATE TKMETA SET VALUE = ?1 WHERE KEY = 'nextobjid'", error);
    if (!addUser || !setNext) return false;
    for (int i = 0; i < users.Rows(); ++i) {
        known.insert(users.Text(i, 0));
        addUser.Bind(1, static_cast<int64_t>(users.Int(i, 0))).Bind(2, users.Text(i, 1));
        if (!addUser.Run()) {
            error = mem.LastError();
            return false;
        }
        addUser.Reset();
    }
    if (next.Rows() == 1) {
        setNext.Bind(1, next.Text(0, 0));
        if (!setNext.Run()) {
            error = mem.LastError();
            return false;
        }
    }
    if (!LoadDemo(mem, size, error)) return false;

    if (!pg.Exec("BEGIN", error)) return false;
    auto fail = [&]() {
        std::string ignored;
        pg.Exec("ROLLBACK", ignored);
        return false;
    };
    for (const std::string& t : ScmTableNames()) {
        bool users = t == "KESALLUSERS";
        if (!CopyTable(mem, pg, t, known, users ? 0 : -1, error)) return fail();
    }
    if (!CopyTable(mem, pg, kFileDataTable, {}, -1, error)) return fail();
    Stmt seq = mem.Prepare("SELECT VALUE FROM TKMETA WHERE KEY = 'nextobjid'", error);
    if (!seq || seq.Step() != SQLITE_ROW) return fail();
    if (!pg.Query("INSERT INTO TKMETA (KEY, VALUE) VALUES ('nextobjid', $1) ON CONFLICT (KEY) DO "
                  "UPDATE SET VALUE = excluded.VALUE",
                  {seq.Text(0)}, error)
             .ok())
        return fail();
    if (!pg.Exec("COMMIT", error)) return false;
    // The demo's user, as a login role of the server (the server keeps no hashes of ours).
    if (!PgSetUserPassword(pg, "demo", "demo", error)) return false;
    // Indexes made after the rows went in cost less than indexes kept up row by row.
    if (indexesAfter && !PgCreateIndexes(pg, error)) return false;
    return pg.Exec("ANALYZE", error);
}

}  // namespace

bool IsServerLocator(const std::string& target) {
    return target.rfind("postgresql:", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::string BrokerLocator(const std::string& locator) {
    Locator parsed;
    std::string error;
    std::vector<std::pair<std::string, std::string>> options;
    if (!ParseLocator(locator, parsed, error) || parsed.kind != Locator::Kind::Postgres ||
        !ConninfoOptions(parsed.target, options, error))
        return locator;
    std::string database;
    for (const auto& [key, value] : options)
        if (key == "dbname") database = value;
    if (database.empty()) return locator;
    // Key/value form with every setting given but the user and the password: each user's tools
    // connect as the user's own role with the user's password.
    std::string out = "postgresql:";
    auto add = [&](const std::string& key, const std::string& value) {
        if (out.back() != ':') out += ' ';
        out += key + "='";
        for (char c : value) {
            if (c == '\\' || c == '\'') out += '\\';
            out += c;
        }
        out += "'";
    };
    for (const auto& [key, value] : options)
        if (key != "user" && key != "password") add(key, value);
    return out;
}

int ServerCreate(const std::string& locator, bool indexes) {
    std::string error;
    PgConn db;
    if (!Connect(locator, db, error)) return Fail(error);
    if (!PgCreateSchema(db, indexes, error)) return Fail(error);
    printf(
        "created the repository in database %s%s; add its users with: krepo adduser '%s' USER\n"
        "register it for them with: krepo broker NAME '%s'\n",
        Pq().PQdb(db.get()), indexes ? "" : " (without indexes)", locator.c_str(),
        BrokerLocator(locator).c_str());
    return 0;
}

int ServerIndexes(const std::string& locator, bool create) {
    PgConn db;
    std::string error;
    if (!OpenExisting(locator, db, error)) return Fail(error);
    bool ok = create ? PgCreateIndexes(db, error) : PgDropIndexes(db, error);
    if (!ok || !db.Exec("ANALYZE", error)) return Fail(error);
    printf("indexes %s\n", create ? "created" : "dropped");
    return 0;
}

int ServerAddUser(const std::string& locator, const std::string& user,
                  const std::string& password) {
    PgConn db;
    std::string error;
    if (!OpenExisting(locator, db, error)) return Fail(error);
    bool removed = false;
    if (!PgRemoveOldLogin(db, removed, error)) return Fail(error);
    if (removed)
        printf(
            "removed the shared reader login and the stored password hashes: add every user "
            "again with krepo adduser\n");
    if (!PgSetUserPassword(db, user, password, error)) return Fail(error);
    printf("user %s set (server login role %s)\n", user.c_str(),
           UserRole(Pq().PQdb(db.get()), user).c_str());
    return 0;
}

int ServerDemo(const std::string& locator, long long size, bool indexes,
               const std::string& broker) {
    PgConn db;
    std::string error;
    if (!Connect(locator, db, error)) return Fail(error);
    const bool fresh = !PgHasSchema(db);
    if (fresh && !PgCreateSchema(db, false, error)) return Fail(error);
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (!LoadDemoOnServer(db, size, fresh && indexes, error)) return Fail(error);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    printf("demo data loaded into database %s in %.2f s (user demo, password demo)\n\n",
           Pq().PQdb(db.get()),
           static_cast<double>(t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9);
    if (!PrintStatistics(ServerRows(db), error, false)) return Fail(error);
    if (!broker.empty()) {
        if (!RegisterBroker(broker, BrokerLocator(locator), error)) return Fail(error);
        printf("\nbroker %s registered in %s\n", broker.c_str(), BrokersFilePath().c_str());
    }
    return 0;
}

int ServerStats(const std::string& locator) {
    PgConn db;
    std::string error;
    if (!OpenExisting(locator, db, error)) return Fail(error);
    return PrintStatistics(ServerRows(db), error, false) ? 0 : Fail(error);
}

}  // namespace qv::tools
