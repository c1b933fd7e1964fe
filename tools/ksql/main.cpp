// ksql: runs one SQL statement against the repository of a broker and writes the result file.
//
//   ksql -b BROKER -usr USER -pw PASSWORD [-t] -f STATEMENT_FILE [-o RESULT_FILE]
//
// The repository is opened read-only; the user's credentials are checked before anything else
// is read. The result file holds a tab-separated header line of upper-case column names and one
// tab-separated line per row (NULL as an empty value), or the single line
// "KSQL query has Zero results." when there are no rows, or one line beginning "Error: " when
// the statement cannot be run, or is stopped after 60 seconds, as on the server. Without -o the
// result goes to standard output.
#include <string.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/Brokers.h"
#include "tools/common/Credentials.h"
#include "tools/common/FileUtil.h"
#include "tools/common/Options.h"
#include "tools/common/Repository.h"
#include "tools/common/Schema.h"
#include "tools/ksql/Output.h"
#include "tools/ksql/Server.h"

namespace qv::tools {
namespace {

// Pragmas that only read, allowed with or without an argument naming a table or an index.
bool IsReadingPragma(const char* name, const char* arg) {
    static const char* const kWithArgument[] = {"table_info", "table_xinfo", "index_list",
                                                "index_info", "index_xinfo", "foreign_key_list",
                                                "table_list"};
    static const char* const kWithoutArgument[] = {
        "table_list",     "database_list", "compile_options", "user_version",    "schema_version",
        "page_count",     "page_size",     "encoding",        "integrity_check", "quick_check",
        "collation_list", "function_list", "pragma_list",     "query_only",      "freelist_count"};
    if (!name) return false;
    for (const char* p : kWithArgument)
        if (strcasecmp(name, p) == 0) return true;
    if (arg) return false;
    for (const char* p : kWithoutArgument)
        if (strcasecmp(name, p) == 0) return true;
    return false;
}

// What a denied action is, and why ksql refuses it, for the error line.
std::string DescribeRefusal(int action, const char* a1) {
    const std::string object = a1 ? a1 : "";
    const bool schemaTable =
        EqualsIgnoreCase(object, "sqlite_master") || EqualsIgnoreCase(object, "sqlite_schema");
    switch (action) {
        case SQLITE_UPDATE:
            // SQLite reaches for the schema table when it sets up a table-valued pragma
            // function (pragma_table_info and the like) for the statement.
            if (schemaTable)
                return "table-valued pragma functions such as pragma_table_info are not allowed, "
                       "as setting them up writes the schema; use PRAGMA table_info(...) instead";
            return "writing to table " + object + " is not allowed: ksql runs read-only";
        case SQLITE_INSERT:
        case SQLITE_DELETE:
            return "writing to table " + object + " is not allowed: ksql runs read-only";
        case SQLITE_TRANSACTION:
        case SQLITE_SAVEPOINT:
            return "transaction control is not allowed: ksql runs each statement on its own";
        case SQLITE_ANALYZE:
        case SQLITE_REINDEX:
            return "ANALYZE and REINDEX are not allowed: they change the repository";
        default:
            return "changing the schema or the repository's settings is not allowed: ksql runs "
                   "read-only";
    }
}

struct AuthState {
    std::string refusal;
};

// Lets through only what reads: selects, reads of tables other than the credentials, functions
// and reading pragmas. Everything else (writes, schema changes, ATTACH, transactions) is denied.
int Authorize(void* user, int action, const char* a1, const char* a2, const char*, const char*) {
    auto* state = static_cast<AuthState*>(user);
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_READ:
            if (a1 && strcasecmp(a1, kCredentialsTable) == 0) {
                state->refusal = "the credentials table cannot be read";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            if (a2 && strcasecmp(a2, "load_extension") == 0) {
                state->refusal = "load_extension is not allowed";
                return SQLITE_DENY;
            }
            if (a2 && strcasecmp(a2, "fts3_tokenizer") == 0) {
                state->refusal =
                    "fts3_tokenizer is not allowed: it gives memory addresses of the program and "
                    "can install a tokenizer";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        case SQLITE_PRAGMA:
            if (IsReadingPragma(a1, a2)) return SQLITE_OK;
            state->refusal = std::string("PRAGMA ") + (a1 ? a1 : "") +
                             " is not allowed: the repository is opened read-only";
            return SQLITE_DENY;
        case SQLITE_ATTACH:
        case SQLITE_DETACH:
            state->refusal = "ATTACH and DETACH are not allowed: ksql reads one repository only";
            return SQLITE_DENY;
        default:
            state->refusal = DescribeRefusal(action, a1);
            return SQLITE_DENY;
    }
}

// The end of the statement's time: the progress handler stops the statement once it is passed.
struct Deadline {
    std::chrono::steady_clock::time_point end;
    bool passed = false;
};

int StopAfterDeadline(void* user) {
    auto* deadline = static_cast<Deadline*>(user);
    if (std::chrono::steady_clock::now() < deadline->end) return 0;
    deadline->passed = true;
    return 1;
}

// Runs the statement and forms the whole result text; false with `error` set on failure.
bool RunStatement(Db& db, const std::string& sql, std::string& result, std::string& error) {
    AuthState auth;
    sqlite3_set_authorizer(db.handle(), Authorize, &auth);
    // The clock is read every thousand steps of the statement's program, which costs nothing
    // measurable and stops even an endless recursive query within moments of its limit.
    Deadline deadline{std::chrono::steady_clock::now() +
                      std::chrono::milliseconds(StatementTimeLimitMs())};
    sqlite3_progress_handler(db.handle(), 1000, StopAfterDeadline, &deadline);
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc =
        sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &raw, &tail);
    Stmt stmt(raw);
    if (rc != SQLITE_OK) {
        error = auth.refusal.empty() ? db.LastError() : auth.refusal;
        return false;
    }
    if (!stmt) {
        error = "the statement file holds no statement";
        return false;
    }
    if (tail && *tail) {
        sqlite3_stmt* next = nullptr;
        int rc2 = sqlite3_prepare_v2(db.handle(), tail, -1, &next, nullptr);
        bool more = next != nullptr || rc2 != SQLITE_OK;
        sqlite3_finalize(next);
        if (more) {
            error = "only one statement can be run at a time";
            return false;
        }
    }
    if (!sqlite3_stmt_readonly(stmt.get())) {
        error = "the statement would change the repository; ksql runs read-only";
        return false;
    }

    const int columns = sqlite3_column_count(stmt.get());
    std::string header;
    for (int c = 0; c < columns; ++c) {
        if (c) header += '\t';
        std::string name = AsciiUpper(sqlite3_column_name(stmt.get(), c));
        AppendField(header, name.data(), name.size());
    }
    header += '\n';

    result = header;
    size_t rows = 0;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            if (c) result += '\t';
            const unsigned char* v = sqlite3_column_text(stmt.get(), c);
            if (v) {
                AppendField(result, reinterpret_cast<const char*>(v),
                            static_cast<size_t>(sqlite3_column_bytes(stmt.get(), c)));
            }
        }
        result += '\n';
    }
    if (rc != SQLITE_DONE) {
        error = deadline.passed        ? kStatementTimedOut
                : auth.refusal.empty() ? db.LastError()
                                       : auth.refusal;
        return false;
    }
    if (rows == 0) result = "KSQL query has Zero results.\n";
    return true;
}

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    OptionSpec known{{"b", "usr", "pw", "f", "o"}, {"t"}};
    ParsedOptions opts;
    std::string error;
    if (IsHelpRequest(args)) {
        printf("%s\n", kUsageText);
        return kOk;
    }
    // Options that cannot be parsed leave the result file unknown: a split path or an
    // overriding option must not make the tool write or replace a file anywhere.
    if (!ParseOptions(args, known, opts, error)) {
        fprintf(stderr, "ksql: %s\n%s\n", error.c_str(), kUsageText);
        return kUsage;
    }
    Output out(opts.Get("o"));
    for (const char* required : {"b", "usr", "f"}) {
        if (!opts.Has(required))
            return out.Error(
                std::string("option -") + required + " is required (" + kUsageText + ")", kUsage);
    }

    std::string password;
    if (!ToolPassword(opts, password))
        return out.Error(std::string("no password: option -pw or $") + kPasswordVariable +
                             " is required (" + kUsageText + ")",
                         kUsage);

    Locator repository;
    if (!ResolveBroker(opts.Get("b"), repository, error)) return out.Error(error, kNoRepository);
    out.SetSharedWithGroup(repository.kind == Locator::Kind::Sqlite &&
                           FileSharedWithGroup(repository.target));
    if (repository.kind == Locator::Kind::Postgres)
        return RunOnServer(opts.Get("b"), repository.target, opts.Get("usr"), password,
                           opts.Get("f"), out);
    Db db;
    if (!db.Open(repository.target, Db::Mode::ReadOnly, error))
        return out.Error(error, kNoRepository);
    if (!db.HasTable(kCredentialsTable))
        return out.Error("not a repository: " + repository.target, kNoRepository);

    switch (CheckLogin(db, opts.Get("usr"), password, error)) {
        case LoginResult::Accepted:
            break;
        case LoginResult::Refused:
            return out.Error("Incorrect Login for user '" + opts.Get("usr") + "' on broker '" +
                                 opts.Get("b") + "'",
                             kLoginRefused);
        case LoginResult::Failed:
            return out.Error(error, kNoRepository);
    }

    std::string sql;
    if (!ReadWholeFile(opts.Get("f"), sql, error)) return out.Error(error, kUsage);
    std::string result;
    if (!RunStatement(db, sql, result, error)) return out.Error(error, kStatementFailed);
    return out.Write(result) ? kOk : kStatementFailed;
}

}  // namespace
}  // namespace qv::tools

int main(int argc, char** argv) {
    return qv::tools::Run(argc, argv);
}
