// What one query of the analysis costs, side by side:
//   (a) starting a trivial program and waiting for it (the launcher's share),
//   (b) the branch-version statement run in this process with the SQLite C API on the same
//       repository (the database's share), prepared once and prepared per call,
//   (c) the whole round trip through RunKsql and the real ksql: statement file, process, result
//       file, size check, and reading the first value.
// The goal is (c) <= 2 * ((a) + (b)): the round trip adds little beyond starting a process and
// running the statement. Measured on a generated demo repository of 50,000 items, with its
// secondary indexes and on a copy without them. The repositories are made once with krepo and
// kept in <build>/bench-data.
//
// The same on a PostgreSQL server repository holding the same 50,000 items, in a throwaway
// cluster of this program (so, as root only): (b) over one open connection as the read-only
// role, (c) through ksql, which opens a new connection per run. Goal: (c) <= (a) + (b) + 3 ms.
// Its parts: a connection set up and closed in this process, and ksql failing at once on an
// unreachable server (starting the tool and loading the client library). The floor of any tool
// that opens a session per run: a session started with no client library at all, alone, with
// the statement run in it (a new server process, whose caches are cold) and with the login
// function called before the statement.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/Trace.h"
#include "bench/BenchReport.h"
#include "bench/BenchTools.h"
#include "bench/PgWireFloor.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"
#include "tests/support/PgCluster.h"
#include "tools/common/Postgres.h"

extern char** environ;

namespace {

using benchtools::Exists;
using benchtools::OwnDir;
using benchtools::RunTool;

constexpr long long kItems = 50000;

// Newest first branch version of an item within a view: column, value, view.
constexpr char kLatestBranchVersion[] =
    "SELECT MAPPEDVERSION FROM   KESVERSIONS WHERE  VERSIONOBJID = (SELECT MAX( "
    "V.VERSIONOBJID ) FROM   KESVERSIONS V, KESVIEW W, KESPACKAGE P WHERE  V.%s = %d AND    "
    "V.INBRANCH != 0 AND    V.PACKAGEOBJID = P.PACKAGEOBJID AND    P.ENVOBJID = W.ENVOBJID "
    "AND    W.VIEWOBJID = %d AND    V.MAPPEDVERSION LIKE '%%.%%.1' )";

// payslip.cpp of PayrollEU has the branch 3.1.1 in the view of PayrollEU/DEV.
constexpr char kExpected[] = "3.1.1";

struct Repository {
    std::string db;
    std::string broker;
    std::string statement;
};
// Index 1: with the secondary indexes; index 0: without them; index 2: on the server.
Repository g_repo[3];
std::string g_readerConninfo;  // the server repository as the demo user's read-only role
std::string g_socketDir;       // where the cluster's socket is
std::string g_runDir;

// The first value a statement gives on a SQLite repository, "" when none.
std::string Scalar(const std::string& db, const std::string& sql) {
    const std::vector<std::string> values = benchtools::Column(db, sql);
    return values.empty() ? "" : values[0];
}

bool LooksComplete(const std::string& db) {
    return benchtools::DemoItemCount(db) >= kItems;
}

// Makes the two repositories (once; they are kept) and registers their brokers.
bool PrepareData(std::string& error) {
    const std::string dir = OwnDir() + "/../bench-data";
    mkdir(dir.c_str(), 0755);
    const std::string brokers = dir + "/brokers.ini";
    setenv("TESSARK_BROKERS", brokers.c_str(), 1);
    const std::string indexed = dir + "/demo50k.db";
    const std::string plain = dir + "/demo50k-noindexes.db";
    if (!LooksComplete(indexed)) {
        fprintf(stderr, "making %s with krepo demo --size %lld ...\n", indexed.c_str(), kItems);
        const std::string tmp = indexed + ".tmp";
        unlink(tmp.c_str());
        if (!RunTool("krepo", {"demo", tmp, "--size", std::to_string(kItems)}) ||
            rename(tmp.c_str(), indexed.c_str()) != 0) {
            error = "krepo demo failed";
            return false;
        }
        unlink(plain.c_str());
    }
    if (!LooksComplete(plain)) {
        fprintf(stderr, "making %s without indexes ...\n", plain.c_str());
        const std::string tmp = plain + ".tmp";
        unlink(tmp.c_str());
        // A byte copy of the repository, then its secondary indexes dropped.
        FILE* in = fopen(indexed.c_str(), "rb");
        FILE* out = fopen(tmp.c_str(), "wb");
        bool ok = in && out;
        char buf[1 << 16];
        size_t n;
        while (ok && (n = fread(buf, 1, sizeof buf, in)) > 0) ok = fwrite(buf, 1, n, out) == n;
        if (in) fclose(in);
        if (out && fclose(out) != 0) ok = false;
        if (!ok || !RunTool("krepo", {"indexes", tmp, "drop"}) ||
            rename(tmp.c_str(), plain.c_str()) != 0) {
            error = "making the repository without indexes failed";
            return false;
        }
    }
    if (!RunTool("krepo", {"broker", "bench50k", indexed}) ||
        !RunTool("krepo", {"broker", "bench50knoidx", plain})) {
        error = "krepo broker failed";
        return false;
    }
    const std::string item = Scalar(
        indexed,
        "SELECT V.ITEMOBJID FROM KESVERSIONS V JOIN KESITEMNAME N ON N.NAMEOBJID = V.ITEMNAMEID "
        "JOIN KESPACKAGE P ON P.PACKAGEOBJID = V.PACKAGEOBJID JOIN KESENVIRONMENT E ON "
        "E.ENVOBJID = P.ENVOBJID WHERE N.ITEMNAME = 'payslip.cpp' AND E.ENVIRONMENTNAME = "
        "'PayrollEU'");
    const std::string view = Scalar(
        indexed,
        "SELECT W.VIEWOBJID FROM KESVIEW W JOIN KESSTATE S ON S.STATEOBJID = W.STATEOBJID JOIN "
        "KESENVIRONMENT E ON E.ENVOBJID = W.ENVOBJID WHERE E.ENVIRONMENTNAME = 'PayrollEU' AND "
        "S.STATENAME = 'DEV'");
    if (item.empty() || view.empty()) {
        error = "payslip.cpp or the PayrollEU/DEV view is missing";
        return false;
    }
    const std::string statement =
        qv::FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item, view});
    g_repo[1] = {indexed, "bench50k", statement};
    g_repo[0] = {plain, "bench50knoidx", statement};
    g_runDir = dir + "/run";
    mkdir(g_runDir.c_str(), 0755);
    return true;
}

// The server repository: the demo data of the same size in a database of this program's
// cluster, registered as broker "bench50kpg" for the read-only role. False (and no server
// benchmarks) where no cluster can be run.
bool PrepareServer(std::string& why) {
    qvtest::PgCluster* cluster = qvtest::PgCluster::Get(why);
    if (!cluster) return false;
    const std::string owner = cluster->NewDatabase("bench");
    const std::string database =
        owner.substr(owner.find("dbname=") + 7, owner.find(" user") - owner.find("dbname=") - 7);
    fprintf(stderr, "loading the demo data with %lld items into a PostgreSQL database ...\n",
            kItems);
    if (!RunTool("krepo", {"demo", "postgresql:" + owner, "--size", std::to_string(kItems)}) ||
        !RunTool("krepo", {"broker", "bench50kpg", "postgresql:" + owner}) ||
        !RunTool("krepo", {"broker", "bench50kunreachable",
                           "postgresql:host=/nonexistent/socket dbname=x"})) {
        why = "krepo demo or broker on the server failed";
        return false;
    }
    g_readerConninfo = cluster->Conninfo(database, database + ".demo") + " password=demo";
    g_socketDir = cluster->socketDir();
    g_repo[2] = {database, "bench50kpg", g_repo[1].statement};
    return true;
}

// (a) Starting /bin/true and waiting for it, the way the query tool is run, and releasing it.
void BM_StartAndWait(benchmark::State& state) {
    for (auto _ : state) {
        int pid = 0;
        if (qv::RunAndWait("/bin/true", "RunKSQL", 0, -1, pid) != qv::kTaskWaited) {
            state.SkipWithError("cannot start /bin/true");
            break;
        }
        qv::KillProcess(pid);
    }
}
BENCHMARK(BM_StartAndWait)->Unit(benchmark::kMicrosecond);

// (b) The statement in this process: the repository opened once, the statement prepared once
// (reset between runs) or prepared and finalised per call.
void RunInProcess(benchmark::State& state, bool preparePerCall) {
    const Repository& repo = g_repo[state.range(0)];
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(repo.db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the repository");
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* once = nullptr;
    if (!preparePerCall) sqlite3_prepare_v2(db, repo.statement.c_str(), -1, &once, nullptr);
    std::string value;
    for (auto _ : state) {
        sqlite3_stmt* stmt = once;
        if (preparePerCall) sqlite3_prepare_v2(db, repo.statement.c_str(), -1, &stmt, nullptr);
        value.clear();
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            if (text) value = reinterpret_cast<const char*>(text);
        }
        if (preparePerCall) {
            sqlite3_finalize(stmt);
        } else {
            sqlite3_reset(stmt);
        }
        benchmark::DoNotOptimize(value);
    }
    if (value != kExpected) state.SkipWithError(("unexpected value " + value).c_str());
    sqlite3_finalize(once);
    sqlite3_close(db);
}
void BM_InProcessPreparedOnce(benchmark::State& state) {
    RunInProcess(state, false);
}
void BM_InProcessPreparedPerCall(benchmark::State& state) {
    RunInProcess(state, true);
}
BENCHMARK(BM_InProcessPreparedOnce)
    ->ArgName("indexes")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InProcessPreparedPerCall)
    ->ArgName("indexes")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

// (c) The round trip through the real ksql, with the trace off or on (as in the program, which
// traces every command line).
void RunRoundTrip(benchmark::State& state, bool traced) {
    const Repository& repo = g_repo[state.range(0)];
    qv::HeadlessHost host;
    std::string ksqlFmt;
    qv::KsqlContext ctx(ksqlFmt);
    ctx.host = &host;
    ctx.installDir = g_runDir;
    ctx.broker = repo.broker;
    ctx.userId = "demo";
    ctx.password = "demo";
    ctx.ksqlFmt = qv::kDefaultKsqlFmt;
    const std::string trace = g_runDir + "/Quorvel.trc";
    unlink(trace.c_str());
    qv::SetTraceFile(traced ? trace : "");
    std::string value;
    for (auto _ : state) {
        if (qv::RunKsql(ctx, repo.statement) != 1) {
            state.SkipWithError("RunKsql failed");
            break;
        }
        value = qv::ReadFirstValue(g_runDir, host).value;
    }
    qv::SetTraceFile("");
    unlink(trace.c_str());
    if (value != kExpected) state.SkipWithError(("unexpected value " + value).c_str());
}
void BM_RunKsqlRoundTrip(benchmark::State& state) {
    RunRoundTrip(state, false);
}
void BM_RunKsqlRoundTripTraced(benchmark::State& state) {
    RunRoundTrip(state, true);
}
BENCHMARK(BM_RunKsqlRoundTrip)->ArgName("indexes")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunKsqlRoundTripTraced)
    ->ArgName("indexes")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

// (b) on the server: the statement over one connection of a user's role, prepared once or
// sent as text per call (as ksql does, in its read-only transaction).
void RunOnServer(benchmark::State& state, bool preparePerCall) {
    qv::tools::PgConn conn;
    std::string error, value;
    if (!conn.Connect(g_readerConninfo, 10, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const auto& pq = qv::tools::Pq();
    const std::string& sql = g_repo[2].statement;
    if (!preparePerCall)
        qv::tools::PgResult(pq.PQprepare(conn.get(), "s", sql.c_str(), 0, nullptr));
    for (auto _ : state) {
        qv::tools::PgResult r(
            preparePerCall ? pq.PQexec(conn.get(), sql.c_str())
                           : pq.PQexecPrepared(conn.get(), "s", 0, nullptr, nullptr, nullptr, 0));
        value = r.ok() && r.Rows() == 1 ? r.Text(0, 0) : "";
        benchmark::DoNotOptimize(value);
    }
    if (value != kExpected) state.SkipWithError(("unexpected value " + value).c_str());
}
void BM_ServerPreparedOnce(benchmark::State& state) {
    RunOnServer(state, false);
}
void BM_ServerPerCall(benchmark::State& state) {
    RunOnServer(state, true);
}

// What each ksql run on the server pays before its statement: a connection of the user's role
// (with its password check) set up and closed in this process ...
void BM_ServerConnect(benchmark::State& state) {
    std::string error;
    for (auto _ : state) {
        qv::tools::PgConn conn;
        if (!conn.Connect(g_readerConninfo, 10, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

// ... and ksql started on a server that is not there: the start, the client library's loading
// and a connection attempt that fails at once.
void BM_KsqlUnreachableServer(benchmark::State& state) {
    const std::string statement = g_runDir + "/unreachable.sql";
    FILE* f = fopen(statement.c_str(), "w");
    if (f) {
        fputs("SELECT 1", f);
        fclose(f);
    }
    for (auto _ : state) {
        // Fails by design (exit code 4); only the time counts.
        RunTool("ksql", {"-b", "bench50kunreachable", "-usr", "demo", "-pw", "demo", "-f",
                         statement, "-o", g_runDir + "/unreachable.dat"});
    }
}

// The floor: a session started and ended with no client library (as the trusted superuser, since
// this client speaks no password exchange): alone (range 0) and with the statement run in it (1).
void BM_ServerFreshSession(benchmark::State& state) {
    const std::string database = g_repo[2].db;
    std::string error;
    for (auto _ : state) {
        benchtools::PgWireSession session;
        if (!session.Start(g_socketDir, "postgres", database, error) ||
            (state.range(0) >= 1 && !session.Query(g_repo[2].statement, error))) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

void BM_RunKsqlRoundTripServer(benchmark::State& state) {
    state.SetLabel("postgresql");
    RunRoundTrip(state, false);
}

void PrintComparison(const benchtools::Collector& collector) {
    auto get = [&](const std::string& name) { return collector.Seconds(name); };
    const double a = get("BM_StartAndWait");
    if (a < 0) return;
    const double pb = get("BM_ServerPreparedOnce"), pbt = get("BM_ServerPerCall");
    const double pc = get("BM_RunKsqlRoundTripServer/server:2");
    const double connect = get("BM_ServerConnect"), start = get("BM_KsqlUnreachableServer");
    if (pb >= 0 && pc >= 0) {
        printf("\nserver round trip (c) against (a) + statement over an open connection (b):\n");
        printf(
            "  a %.0f us + b %.0f us (prepared once; %.0f us as text) + 3000 us = %.0f us;"
            " c %.0f us (goal: c <= a + b + 3 ms: %s)\n",
            a * 1e6, pb * 1e6, pbt * 1e6, (a + pb) * 1e6 + 3000, pc * 1e6,
            pc <= a + pb + 0.003 ? "met" : "not met");
        printf(
            "  in c: connection set-up %.0f us (%.0f%%); start with the client library loaded,"
            " less (a), %.0f us (%.0f%%)\n",
            connect * 1e6, 100 * connect / pc, (start - a) * 1e6, 100 * (start - a) / pc);
        const double bare = get("BM_ServerFreshSession/statement:0");
        const double fresh = get("BM_ServerFreshSession/statement:1");
        if (bare >= 0 && fresh >= 0)
            printf(
                "  floor of a session per run, no client library: session %.0f us, with the"
                " statement %.0f us; a + this: %.0f us\n",
                bare * 1e6, fresh * 1e6, (a + fresh) * 1e6);
    }
    printf("\nround trip (c) against start-and-wait (a) + statement in process (b):\n");
    for (int idx : {1, 0}) {
        const std::string arg = "/indexes:" + std::to_string(idx);
        const double b = get("BM_InProcessPreparedOnce" + arg);
        const double bp = get("BM_InProcessPreparedPerCall" + arg);
        const double c = get("BM_RunKsqlRoundTrip" + arg);
        const double ct = get("BM_RunKsqlRoundTripTraced" + arg);
        if (b < 0 || c < 0) continue;
        printf(
            "  %s indexes: a %.0f us + b %.0f us (prepared once; %.0f us per call) = %.0f us;"
            " c %.0f us (traced %.0f us); c / (a + b) = %.2f (goal <= 2.00)\n",
            idx ? "with" : "without", a * 1e6, b * 1e6, bp * 1e6, (a + b) * 1e6, c * 1e6, ct * 1e6,
            c / (a + b));
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string error;
    if (!PrepareData(error)) {
        fprintf(stderr, "ksql_roundtrip: %s\n", error.c_str());
        return 1;
    }
    if (PrepareServer(error)) {
        benchmark::RegisterBenchmark("BM_ServerPreparedOnce", BM_ServerPreparedOnce)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_ServerPerCall", BM_ServerPerCall)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_ServerConnect", BM_ServerConnect)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_KsqlUnreachableServer", BM_KsqlUnreachableServer)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_ServerFreshSession", BM_ServerFreshSession)
            ->ArgName("statement")
            ->Arg(0)
            ->Arg(1)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_RunKsqlRoundTripServer", BM_RunKsqlRoundTripServer)
            ->ArgName("server")
            ->Arg(2)
            ->Unit(benchmark::kMicrosecond);
    } else {
        fprintf(stderr, "ksql_roundtrip: no server benchmarks: %s\n", error.c_str());
    }
    benchtools::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    fflush(stdout);
    PrintComparison(collector);
    benchmark::Shutdown();
    return 0;
}
