#include "tools/common/Postgres.h"

#include <dlfcn.h>

#include <cstdlib>

namespace qv::tools {
namespace {

PqApi g_pq;

void QuietNotices(void*, const char*) {}

std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return text;
}

}  // namespace

bool LoadPq(std::string& error) {
    static void* lib = nullptr;
    static std::string failure;
    if (lib) return true;
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    lib = dlopen("libpq.so.5", RTLD_LAZY | RTLD_LOCAL);
    if (!lib) {
        failure = "the PostgreSQL client library libpq.so.5 is not installed";
        error = failure;
        return false;
    }
#define QV_PQ_LOAD(name)                                                \
    g_pq.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name)); \
    if (!g_pq.name) {                                                   \
        failure = "the PostgreSQL client library lacks " #name;         \
        error = failure;                                                \
        dlclose(lib);                                                   \
        lib = nullptr;                                                  \
        return false;                                                   \
    }
    QV_PQ_FUNCTIONS(QV_PQ_LOAD)
#undef QV_PQ_LOAD
    return true;
}

const PqApi& Pq() {
    return g_pq;
}

PgResult::~PgResult() {
    if (r_) g_pq.PQclear(r_);
}

PgResult& PgResult::operator=(PgResult&& o) noexcept {
    if (this != &o) {
        if (r_) g_pq.PQclear(r_);
        r_ = o.r_;
        o.r_ = nullptr;
    }
    return *this;
}

bool PgResult::ok() const {
    if (!r_) return false;
    ExecStatusType s = g_pq.PQresultStatus(r_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

std::string PgResult::Error() const {
    if (!r_) return "no result from the server";
    const char* primary = g_pq.PQresultErrorField(r_, PG_DIAG_MESSAGE_PRIMARY);
    return OneLine(primary ? primary : g_pq.PQresultErrorMessage(r_));
}

int PgResult::Rows() const {
    return r_ ? g_pq.PQntuples(r_) : 0;
}

int PgResult::Columns() const {
    return r_ ? g_pq.PQnfields(r_) : 0;
}

bool PgResult::IsNull(int row, int column) const {
    return g_pq.PQgetisnull(r_, row, column) != 0;
}

std::string PgResult::Text(int row, int column) const {
    return std::string(g_pq.PQgetvalue(r_, row, column),
                       static_cast<size_t>(g_pq.PQgetlength(r_, row, column)));
}

long long PgResult::Int(int row, int column) const {
    return strtoll(g_pq.PQgetvalue(r_, row, column), nullptr, 10);
}

PgConn::~PgConn() {
    if (c_) g_pq.PQfinish(c_);
}

bool PgConn::Connect(const std::string& conninfo, int timeoutSeconds, std::string& error) {
    if (!LoadPq(error)) return false;
    const std::string timeout = std::to_string(timeoutSeconds);
    // Later entries win: the string's own settings override the defaults before it. Keepalives
    // notice a server that went away during a statement (the server's own time limit ends a
    // statement that runs too long).
    const char* keys[] = {"connect_timeout",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "fallback_application_name",
                          "dbname",
                          nullptr};
    const char* values[] = {timeout.c_str(),  "30",   "10", "3", "tessark-tools",
                            conninfo.c_str(), nullptr};
    c_ = g_pq.PQconnectdbParams(keys, values, 1);
    if (!c_ || g_pq.PQstatus(c_) != CONNECTION_OK) {
        error = c_ ? LastError() : "out of memory";
        if (c_) g_pq.PQfinish(c_);
        c_ = nullptr;
        return false;
    }
    g_pq.PQsetNoticeProcessor(c_, QuietNotices, nullptr);
    return true;
}

bool PgConn::ConnectAs(const std::string& conninfo, const std::string& role,
                       const std::string& password, int timeoutSeconds, bool& refused,
                       std::string& error) {
    refused = false;
    if (!LoadPq(error)) return false;
    const std::string timeout = std::to_string(timeoutSeconds);
    const char* keys[] = {"connect_timeout",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "fallback_application_name",
                          "dbname",
                          "user",
                          "password",
                          "passfile",
                          nullptr};
    const char* values[] = {
        timeout.c_str(),  "30",        "10",   "3", "tessark-tools", conninfo.c_str(), role.c_str(),
        password.c_str(), "/dev/null", nullptr};
    c_ = g_pq.PQconnectdbParams(keys, values, 1);
    if (!c_ || g_pq.PQstatus(c_) != CONNECTION_OK) {
        error = c_ ? LastError() : "out of memory";
        refused = error.find("password authentication failed") != std::string::npos ||
                  error.find("no password supplied") != std::string::npos ||
                  error.find("not permitted to log in") != std::string::npos ||
                  (error.find("role \"") != std::string::npos &&
                   error.find("does not exist") != std::string::npos);
        if (c_) g_pq.PQfinish(c_);
        c_ = nullptr;
        return false;
    }
    if (!g_pq.PQconnectionUsedPassword(c_)) {
        refused = true;
        error = "the server let role " + role + " in without checking its password";
        g_pq.PQfinish(c_);
        c_ = nullptr;
        return false;
    }
    g_pq.PQsetNoticeProcessor(c_, QuietNotices, nullptr);
    return true;
}

std::string PgConn::LastError() const {
    return c_ ? OneLine(g_pq.PQerrorMessage(c_)) : "not connected";
}

bool PgConn::Exec(const std::string& sql, std::string& error) {
    PgResult r(g_pq.PQexec(c_, sql.c_str()));
    if (!r.ok()) {
        error = r.get() ? r.Error() : LastError();
        return false;
    }
    return true;
}

PgResult PgConn::Query(const std::string& sql, const std::vector<std::string>& params,
                       std::string& error, bool binary) {
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    PgResult r(g_pq.PQexecParams(c_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                 values.data(), nullptr, nullptr, binary ? 1 : 0));
    if (!r.ok()) {
        error = r.get() ? r.Error() : LastError();
        return PgResult();
    }
    return r;
}

bool PgConn::ExecAll(const std::string& sql, std::vector<PgResult>& results, std::string& error) {
    results.clear();
    if (!g_pq.PQsendQuery(c_, sql.c_str())) {
        error = LastError();
        return false;
    }
    bool ok = true;
    while (PGresult* raw = g_pq.PQgetResult(c_)) {
        PgResult r(raw);
        if (ok && !r.ok()) {
            error = r.Error();
            ok = false;
        }
        results.push_back(std::move(r));
    }
    return ok;
}

std::string PgConn::Identifier(const std::string& name) const {
    char* q = g_pq.PQescapeIdentifier(c_, name.data(), name.size());
    std::string out = q ? q : "\"\"";
    if (q) g_pq.PQfreemem(q);
    return out;
}

std::string PgConn::Literal(const std::string& text) const {
    char* q = g_pq.PQescapeLiteral(c_, text.data(), text.size());
    std::string out = q ? q : "''";
    if (q) g_pq.PQfreemem(q);
    return out;
}

bool ConninfoOptions(const std::string& conninfo,
                     std::vector<std::pair<std::string, std::string>>& options,
                     std::string& error) {
    if (!LoadPq(error)) return false;
    char* why = nullptr;
    PQconninfoOption* opts = g_pq.PQconninfoParse(conninfo.c_str(), &why);
    if (!opts) {
        error = "malformed connection string" + (why ? ": " + OneLine(why) : std::string());
        if (why) g_pq.PQfreemem(why);
        return false;
    }
    options.clear();
    for (PQconninfoOption* o = opts; o->keyword; ++o)
        if (o->val) options.emplace_back(o->keyword, o->val);
    g_pq.PQconninfoFree(opts);
    return true;
}

}  // namespace qv::tools
