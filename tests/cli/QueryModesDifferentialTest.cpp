// Both ways of asking the repository give the same analysis: random repositories (version trees
// with branches, x-versions, item number 0, views numbered like versions, M/R/D tags, duplicate
// names, several source and target packages) are analysed by the batch program's run for every
// merge option and placement, once with one statement per item and once with the set
// statements, whose results are sometimes broken on purpose (an error line, a cut or garbled
// file, a failed run): the rows, their outcomes and the messages must be the same.
// QV_DIFFERENTIAL_REPOS sets the number of repositories (default 300), QV_DIFFERENTIAL_SEED the
// first seed.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"
#include "ui/MainWindow.h"

namespace {

// The repository's schema, as krepo creates it.
std::vector<std::string> SchemaStatements() {
    static std::vector<std::string> statements = [] {
        qvtest::TempDir dir;
        const std::string db = dir / "schema.db";
        EXPECT_EQ(qvtest::RunTool("krepo", {"create", db}).exitCode, 0);
        std::vector<std::string> out;
        sqlite3* h = nullptr;
        sqlite3_open(db.c_str(), &h);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(h, "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL", -1, &s,
                           nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        sqlite3_close(h);
        return out;
    }();
    return statements;
}

// How the set statements' results are spoilt in one repository's bulk runs.
enum class Fault { None, ErrorLine, Cut, Failed, Garbled, LineLost, Count };

// The repository in the process: each statement runs on a SQLite database in memory and leaves
// the result file the query tool writes, read back by the program's own readers.
class MemoryRepository : public qv::Repository {
public:
    MemoryRepository(sqlite3* db, std::string dir, qv::Host& host, Fault fault, unsigned seed)
        : db_(db), dir_(std::move(dir)), host_(host), fault_(fault), rng_(seed) {}

    int Run(const std::string& statement) override {
        const bool set = statement.find("COUNT(*) OVER ()") != std::string::npos;
        perItem += !set && (statement.find("V.PARENTVERSIONID = ") != std::string::npos ||
                            statement.find("(SELECT MAX( V.VERSIONOBJID )") != std::string::npos);
        std::string text = Result(statement);
        if (set && fault_ != Fault::None) {
            if (fault_ == Fault::Failed) return qv::kKsqlFailed;
            text = Spoil(text);
        }
        qvtest::WriteFile(qv::KsqlResultPath(dir_), text);
        return qv::kKsqlOk;
    }
    qv::FirstValue First() override { return qv::ReadFirstValue(dir_, host_); }
    std::vector<std::string> Values() override { return qv::ReadValues(dir_, host_); }
    qv::ResultLines Lines(size_t readSize) override {
        return qv::ReadResultLines(qv::KsqlResultPath(dir_), readSize);
    }
    std::string ResultPath() const override { return qv::KsqlResultPath(dir_); }

    int perItem = 0;  // per-item statements of the mapped version calculation

private:
    static void Field(std::string& out, const unsigned char* v) {
        for (; v && *v; ++v) out += (*v == '\t' || *v == '\n' || *v == '\r') ? ' ' : char(*v);
    }
    std::string Result(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return std::string("Error: ") + sqlite3_errmsg(db_) + "\n";
        std::string out;
        const int columns = sqlite3_column_count(s);
        for (int c = 0; c < columns; ++c) {
            if (c) out += '\t';
            out += sqlite3_column_name(s, c);
        }
        out += '\n';
        int rows = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c) {
                if (c) out += '\t';
                Field(out, sqlite3_column_text(s, c));
            }
            out += '\n';
        }
        sqlite3_finalize(s);
        return rows ? out : qv::kKsqlZeroResults + std::string("\n");
    }
    std::string Spoil(std::string text) {
        std::uniform_int_distribution<size_t> at(1, text.size() > 2 ? text.size() - 2 : 1);
        switch (fault_) {
            case Fault::ErrorLine:
                return "Error: canceling statement due to statement timeout\n";
            case Fault::Cut:
                return text.substr(0, at(rng_));
            case Fault::Garbled:
                text[at(rng_)] = '\t';
                return text;
            case Fault::LineLost: {
                const size_t first = text.find('\n');
                const size_t second = text.find('\n', first + 1);
                return second == std::string::npos ? "" : text.erase(first + 1, second - first);
            }
            default:
                return text;
        }
    }

    sqlite3* db_;
    std::string dir_;
    qv::Host& host_;
    Fault fault_;
    std::mt19937 rng_;
};

// Fills a random repository: project "Src" (packages S1, S2) into project "Tgt" (T1, T2 in
// state DEV, T3 in state QA).
class RandomRepository {
public:
    explicit RandomRepository(unsigned seed) : rng_(seed) {
        sqlite3_open(":memory:", &db_);
        for (const std::string& s : SchemaStatements()) Exec(s);
        Exec(
            "INSERT INTO KESENVIRONMENT VALUES (1, 'Src'), (2, 'Tgt');"
            "INSERT INTO KESSTATE VALUES (1, 1, 'DEV', 0), (2, 2, 'DEV', 0), (3, 2, 'QA', 1);"
            "INSERT INTO KESPACKAGE VALUES (1, 1, 1, 'S1'), (2, 1, 1, 'S2'), (3, 2, 2, 'T1'),"
            " (4, 2, 2, 'T2'), (5, 2, 3, 'T3');"
            "INSERT INTO KESALLUSERS VALUES (1, 'u');"
            "INSERT INTO KESVERSIONDATA (VERSIONDATAOBJID) VALUES (1);"
            "INSERT INTO KESPATHFULLNAME VALUES (1, '\\Tgt\\src'), (2, '\\Src\\src');");
        for (int n = 1; n <= kNames; ++n)
            Exec("INSERT INTO KESITEMNAME VALUES (" + std::to_string(n) + ", 'f" +
                 std::to_string(n) + ".c', 'F" + std::to_string(n) + ".C')");
        const int targets = Pick(1, 14);
        for (int k = 0; k < targets; ++k) TargetItem();
        const int sources = Pick(1, 14);
        for (int k = 0; k < sources; ++k)
            Version(Pick(1, 2), Pick(0, 9) ? Pick(100, 140) : 0, Pick(1, kNames),
                    Pick(0, 3) ? std::to_string(Pick(1, 5)) : "2.1." + std::to_string(Pick(1, 3)),
                    0, 0);
        // Views: the target state's (the lowest counts), and rows that put versions into views
        // numbered like their parent versions, which the trunk check looks at.
        const int view = Pick(1, nextVersion_ + 3);
        Exec("INSERT INTO KESVIEW VALUES (" + std::to_string(view) + ", 2, 2, 'v')");
        if (Pick(0, 2) == 0)
            Exec("INSERT INTO KESVIEW VALUES (" + std::to_string(view + Pick(1, 5)) +
                 ", 2, 2, 'w')");
        for (int v = 1; v < nextVersion_; ++v) {
            if (Pick(0, 2)) Link(view, v);
            if (parents_[v] && Pick(0, 1)) Link(parents_[v], v);
            if (Pick(0, 9) == 0) Link(Pick(1, nextVersion_), v);
        }
    }
    ~RandomRepository() { sqlite3_close(db_); }
    sqlite3* db() { return db_; }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

private:
    static constexpr int kNames = 12;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "") << "\n"
            << sql;
    }
    void Link(int view, int version) {
        Exec("INSERT OR IGNORE INTO KESVERSIONINVIEW VALUES (" + std::to_string(view) + ", " +
             std::to_string(version) + ")");
    }
    // One version; returns its number.
    int Version(int package, int item, int name, const std::string& mapped, int parent,
                int inBranch) {
        static const char* tags[] = {"N", "N", "N", "N", "N", "N", "M", "D", "R"};
        const char* tag = tags[Pick(0, package <= 2 ? 7 : 8)];  // an R source stops the run
        if (package <= 2 && Pick(0, 40) == 0) tag = "R";
        const int id = nextVersion_++;
        parents_.resize(nextVersion_ + 1);
        parents_[id] = parent;
        Exec(
            "INSERT INTO KESVERSIONS (VERSIONOBJID, ITEMOBJID, ITEMNAMEID, PATHVERSIONID, "
            "PACKAGEOBJID, VERSIONDATAOBJID, PARENTVERSIONID, MAPPEDVERSION, VERSIONSTATUS, "
            "INBRANCH, CREATORID, CREATIONTIME, MODIFIERID, MODIFIEDTIME) VALUES (" +
            std::to_string(id) + ", " + std::to_string(item) + ", " + std::to_string(name) + ", " +
            (package <= 2 ? "2" : "1") + ", " + std::to_string(package) + ", 1, " +
            std::to_string(parent) + ", '" + mapped + "', '" + tag + "', " +
            std::to_string(inBranch) + ", 1, 't', 1, 't')");
        return id;
    }
    // A target item: a trunk, branches of some trunk versions, sometimes x-versions, '0' or an
    // odd text as its latest version.
    void TargetItem() {
        const int item = Pick(0, 5) ? Pick(1, 30) : 0;
        const int name = Pick(1, kNames);
        const int package = Pick(3, 5);
        int parent = 0;
        std::vector<int> trunk;
        const int length = Pick(1, 4);
        for (int t = 1; t <= length; ++t) {
            parent = Version(package, item, name, std::to_string(t), parent, 0);
            trunk.push_back(parent);
        }
        for (int b = Pick(0, 3); b > 0; --b) {
            const size_t on = static_cast<size_t>(Pick(0, length - 1));
            int from = trunk[on];
            const std::string stem = std::to_string(on + 1) + "." + std::to_string(Pick(1, 3));
            for (int v = 1, n = Pick(1, 3); v <= n; ++v)
                from = Version(Pick(3, 5), Pick(0, 4) ? item : Pick(0, 30), name,
                               stem + "." + std::to_string(v), from, Pick(0, 5) ? 1 : 0);
        }
        // The trunk often goes on after its branches, so that its latest version is a trunk one.
        for (int t = length + 1, more = Pick(0, 1) * Pick(1, 2); t <= length + more; ++t)
            parent = Version(package, item, name, std::to_string(t), parent, 0);
        static const char* odd[] = {"x.1.1", "x2.1.1", "x3.2.4", "x", "x4", "0", "5.3", "2.1.1"};
        if (Pick(0, 3) == 0) Version(package, item, name, odd[Pick(0, 7)], parent, Pick(0, 1));
    }

    std::mt19937 rng_;
    sqlite3* db_ = nullptr;
    int nextVersion_ = 1;
    std::vector<int> parents_{0};
};

struct Outcome {
    bool ok = false;
    std::vector<std::vector<std::string>> rows;
    std::vector<qv::OutcomeReason> reasons;
    std::vector<std::string> messages;
    int perItem = 0;
};

Outcome Analyse(RandomRepository& repo, const qv::cli::BatchOptions& options, bool perItem,
                Fault fault, unsigned seed, const std::string& dir) {
    qv::cli::BatchOptions o = options;
    o.perItemQueries = perItem;
    qv::cli::BatchHost host;
    Outcome out;
    host.onMessage = [&](const std::string& line) { out.messages.push_back(line); };
    MemoryRepository memory(repo.db(), dir, host, fault, seed);
    const qv::cli::BatchResult r = qv::cli::RunBatch(
        o, "pw", dir, host, {}, [&](qv::Repository&) -> qv::Repository* { return &memory; });
    out.ok = r.ok;
    out.rows = r.table.rows;
    out.reasons = r.table.reasons;
    out.perItem = memory.perItem;
    return out;
}

int EnvNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

TEST(QueryModes, BulkAndPerItemGiveTheSameAnalysisOnRandomRepositories) {
    const int repositories = EnvNumber("QV_DIFFERENTIAL_REPOS", 300);
    const unsigned first = static_cast<unsigned>(EnvNumber("QV_DIFFERENTIAL_SEED", 1));
    // The runs write their files through fsync: in memory where there is a memory file system.
    const char* given = std::getenv("TMPDIR");
    const std::string tmp = given ? given : "";
    if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
    qvtest::TempDir dir;
    if (given)
        setenv("TMPDIR", tmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    int compared = 0, analysed = 0;
    for (unsigned seed = first; seed < first + static_cast<unsigned>(repositories); ++seed) {
        RandomRepository repo(seed);
        // Every other repository's set statements are spoilt, each way in turn.
        const unsigned faults = static_cast<unsigned>(Fault::Count) - 1;
        const Fault fault = static_cast<Fault>(seed % 2 ? 0 : 1 + seed / 2 % faults);
        qv::cli::BatchOptions o;
        o.format = qv::cli::Format::Json;  // which keeps the reasons
        o.broker = "b";
        o.user = "u";
        o.srcProject = "Src";
        o.srcState = "DEV";
        o.packages =
            repo.Pick(0, 1) ? std::vector<std::string>{"S1", "S2"} : std::vector<std::string>{"S1"};
        o.tgtProject = "Tgt";
        o.tgtState = "DEV";
        o.tgtPackage = repo.Pick(0, 1) ? "T1" : "T2";
        for (const std::string& merge : qv::MergeOptionEntries())
            for (const std::string& placement : qv::PlacementOptionEntries()) {
                o.mergeOption = merge;
                o.placement = placement;
                const Outcome one = Analyse(repo, o, true, Fault::None, seed, dir.path());
                const Outcome bulk = Analyse(repo, o, false, fault, seed, dir.path());
                const std::string where = "seed " + std::to_string(seed) + ", " + merge + ", " +
                                          placement + ", fault " +
                                          std::to_string(static_cast<int>(fault));
                ASSERT_EQ(bulk.ok, one.ok) << where;
                ASSERT_EQ(bulk.rows, one.rows) << where;
                // Each row's reason, with the repository's answers in its facts, too.
                ASSERT_EQ(bulk.reasons.size(), bulk.rows.size()) << where;
                ASSERT_EQ(one.reasons.size(), bulk.reasons.size()) << where;
                for (size_t r = 0; r < one.reasons.size(); ++r)
                    ASSERT_TRUE(bulk.reasons[r] == one.reasons[r])
                        << where << ", row " << r << ":\n"
                        << bulk.reasons[r].why << "\n"
                        << one.reasons[r].why;
                ASSERT_EQ(bulk.messages, one.messages) << where;
                // Answers that came whole leave no item to its own statement.
                if (fault == Fault::None) {
                    ASSERT_EQ(bulk.perItem, 0) << where;
                }
                ++compared;
                analysed += one.ok && !one.rows.empty();
            }
    }
    std::printf("compared %d analyses of %d repositories, %d with rows\n", compared, repositories,
                analysed);
    EXPECT_GT(analysed, compared / 2);
}

}  // namespace
