// Loading a source package, side by side:
//   (a) the package's source statement through RunKsql and the real ksql alone,
//   (b) the main window's loading from the context dialog's OK to the filled list, with the Qt
//       host offscreen (the wait dialog shown, a trace line per item, the list filled and
//       painted) and the target data already loaded.
// The goal is (b) <= 2 * (a), with a flat cost per item from 5,000 to 50,000 items. The
// repository is the demo data set plus packages BENCH5000, BENCH20000 and BENCH50000 in
// Payroll/DEV holding that many items; it is made once and kept in <build>/bench-data.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "app/Trace.h"
#include "bench/BenchReport.h"
#include "bench/BenchTools.h"
#include "bench/QtBench.h"
#include "engine/SourceItems.h"
#include "host/qt/QtHost.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

extern char** environ;

namespace {

using benchtools::OwnDir;
using benchtools::RunTool;

const int kSizes[] = {5000, 20000, 50000};
constexpr char kBroker[] = "benchcontext";

std::string g_runDir;

std::string PackageName(int items) {
    return "BENCH" + std::to_string(items);
}

// Adds a package of Payroll/DEV holding `items` items: copies of the latest versions of the
// items of PAY0001, each copy an item of its own.
bool AddPackage(sqlite3* db, int items, long long base, std::string& error) {
    const std::string name = PackageName(items);
    const std::string sql =
        "INSERT INTO KESPACKAGE (PACKAGEOBJID, ENVOBJID, STATEOBJID, PACKAGENAME) SELECT " +
        std::to_string(base) + ", e.ENVOBJID, s.STATEOBJID, '" + name +
        "' FROM KESENVIRONMENT e JOIN KESSTATE s ON s.ENVOBJID = e.ENVOBJID WHERE "
        "e.ENVIRONMENTNAME = 'Payroll' AND s.STATENAME = 'DEV';"
        "WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < " +
        std::to_string(items - 1) +
        "), t AS (SELECT v.*, ROW_NUMBER() OVER (ORDER BY v.VERSIONOBJID) - 1 AS rn, COUNT(*) "
        "OVER () AS m FROM KESVERSIONS v JOIN KESPACKAGE p ON p.PACKAGEOBJID = v.PACKAGEOBJID "
        "WHERE p.PACKAGENAME = 'PAY0001') "
        "INSERT INTO KESVERSIONS (VERSIONOBJID, ITEMOBJID, ITEMNAMEID, PATHVERSIONID, "
        "PACKAGEOBJID, VERSIONDATAOBJID, PARENTVERSIONID, MERGEDVERSIONID, ANCESTORVERSIONID, "
        "MAPPEDVERSION, ITEMTYPE, VERSIONSTATUS, INBRANCH, REFACTOR, REFACTOR_BY, CREATORID, "
        "CREATIONTIME, MODIFIERID, MODIFIEDTIME, CLIENTMACHINE, CLIENTPATH) SELECT " +
        std::to_string(base) + " + 1 + c.i, " + std::to_string(base) +
        " + 1 + c.i, t.ITEMNAMEID, t.PATHVERSIONID, " + std::to_string(base) +
        ", t.VERSIONDATAOBJID, 0, 0, 0, t.MAPPEDVERSION, t.ITEMTYPE, t.VERSIONSTATUS, t.INBRANCH, "
        "0, 0, t.CREATORID, t.CREATIONTIME, t.MODIFIERID, t.MODIFIEDTIME, t.CLIENTMACHINE, "
        "t.CLIENTPATH FROM c JOIN t ON t.rn = c.i % t.m;";
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : "SQL failed";
        sqlite3_free(message);
        return false;
    }
    return true;
}

// Makes the repository (once; it is kept) and registers its broker.
bool PrepareData(std::string& error) {
    const std::string dir = OwnDir() + "/../bench-data";
    mkdir(dir.c_str(), 0755);
    setenv("TESSARK_BROKERS", (dir + "/brokers.ini").c_str(), 1);
    const std::string path = dir + "/context-load.db";
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        fprintf(stderr, "making %s ...\n", path.c_str());
        const std::string tmp = path + ".tmp";
        unlink(tmp.c_str());
        if (!RunTool("krepo", {"demo", tmp})) {
            error = "krepo demo failed";
            return false;
        }
        sqlite3* db = nullptr;
        bool ok = sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
        long long base = 50000000;
        for (int items : kSizes) {
            ok = ok && AddPackage(db, items, base, error);
            base += 1000000;
        }
        // Fresh statistics, as krepo leaves them, so that the query plans fit the new sizes.
        ok = ok && sqlite3_exec(db, "ANALYZE", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
            if (error.empty()) error = "cannot make the repository";
            return false;
        }
    }
    if (!RunTool("krepo", {"broker", kBroker, path})) {
        error = "krepo broker failed";
        return false;
    }
    g_runDir = dir + "/context-run";
    mkdir(g_runDir.c_str(), 0755);
    qv::AppValues app;
    app.installDir = g_runDir;
    app.provisionalInstallDir = g_runDir;
    app.browseDir = g_runDir + "/Temp";
    app.compareDir = g_runDir + "/Temp1";
    app.traceFile = g_runDir + "/Quorvel.trc";
    qv::SetAppValues(app);
    return true;
}

std::string Trace() {
    return g_runDir + "/Quorvel.trc";
}

// (a) The source statement of one package through the real ksql.
void BM_SourceStatementThroughKsql(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    qv::QtHost host;
    std::string ksqlFmt = qv::kDefaultKsqlFmt;
    qv::KsqlContext ctx(ksqlFmt);
    ctx.host = &host;
    ctx.installDir = g_runDir;
    ctx.broker = kBroker;
    ctx.userId = "demo";
    ctx.password = "demo";
    const std::string statement =
        qv::FormatStatement(qv::kSourcePackageItemsFormat, {"Payroll", "DEV", PackageName(n)});
    qv::SetTraceFile(Trace());
    for (auto _ : state) {
        if (qv::RunKsql(ctx, statement) != qv::kKsqlOk) {
            state.SkipWithError("RunKsql failed");
            break;
        }
    }
    qv::SetTraceFile("");
}

// A main window whose target data is loaded already.
class LoadedTargetWindow : public qv::CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        SetTargetDataLoaded(true);
        return true;
    }
};

// (b) From the dialog's OK to the filled and painted list; `traced` false leaves the trace off,
// to show its share.
void LoadFromOk(benchmark::State& state, bool traced) {
    const int n = static_cast<int>(state.range(0));
    qv::QtHost host;
    LoadedTargetWindow window(host);
    window.Values().Broker = kBroker;
    window.Values().UserId = "demo";
    window.Values().Password = "demo";
    host.ShowModeless(window);
    QApplication::processEvents();
    window.SetTargetDataLoaded(true);
    const qv::TargetContext target{"PayrollEU", "DEV", "EU0001"};
    qv::CMapStrToPkgObj none;
    qv::CContextSetDlg dialog(host, window.Repo(), none);
    dialog.SrcProject = "Payroll";
    dialog.SrcState = "DEV";
    dialog.TgtProject = target.project;
    dialog.TgtState = target.state;
    dialog.TgtPackage = target.package;
    dialog.PackageList.SetAt("0", {PackageName(n), "1"});
    for (auto _ : state) {
        state.PauseTiming();
        unlink(Trace().c_str());
        qv::SetTraceFile(traced ? Trace() : "");
        state.ResumeTiming();
        window.LoadChosenContext(dialog);
        QApplication::processEvents();  // lay out and paint what is visible
    }
    qv::SetTraceFile("");
    if (window.ResultList().RowCount() != n) state.SkipWithError("not every item was listed");
    host.DestroyModeless(window);
}
void BM_LoadFromOkToFilledList(benchmark::State& state) {
    LoadFromOk(state, true);
}
void BM_LoadFromOkUntraced(benchmark::State& state) {
    LoadFromOk(state, false);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : kSizes) b->Arg(n);
    b->Unit(benchmark::kMillisecond)->Iterations(3);
}
BENCHMARK(BM_SourceStatementThroughKsql)->Apply(Sizes);
BENCHMARK(BM_LoadFromOkToFilledList)->Apply(Sizes);
BENCHMARK(BM_LoadFromOkUntraced)->Apply(Sizes);

void PrintComparison(const benchtools::Collector& c) {
    printf("\nloading (b) against the source statement through ksql (a):\n");
    auto seconds = [&](const std::string& name, int n) {
        return c.Seconds(name + "/" + std::to_string(n) + "/iterations:3");
    };
    for (int n : kSizes) {
        const double a = seconds("BM_SourceStatementThroughKsql", n);
        const double b = seconds("BM_LoadFromOkToFilledList", n);
        const double u = seconds("BM_LoadFromOkUntraced", n);
        if (a <= 0 || b <= 0) continue;
        printf(
            "  %6d items: a %7.1f ms (%5.2f us/item), b %7.1f ms (%5.2f us/item); b / a = "
            "%.2f (goal <= 2.00); without the trace b / a = %.2f\n",
            n, a * 1e3, a * 1e6 / n, b * 1e3, b * 1e6 / n, b / a, u / a);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int status =
        benchtools::RunWithData(argc, argv, "context_load_qt", PrepareData, PrintComparison);
    unlink(Trace().c_str());
    return status;
}
