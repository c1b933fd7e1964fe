#include "tools/krepo/Demo.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tools/common/Credentials.h"
#include "tools/common/FileUtil.h"
#include "tools/common/Schema.h"
#include "tools/krepo/DemoData.h"

namespace qv::tools {
namespace {

using namespace demo;

// Deterministic pseudo-random numbers (xorshift64*).
class Rng {
public:
    uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 2685821657736338717ULL;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

class Builder {
public:
    explicit Builder(Db& db) : db_(db) {}

    bool Prepare(std::string& error) {
        struct {
            Stmt* stmt;
            const char* sql;
        } const all[] = {
            {&insEnv_, "INSERT INTO KESENVIRONMENT (ENVOBJID, ENVIRONMENTNAME) VALUES (?1, ?2)"},
            {&insState_,
             "INSERT INTO KESSTATE (STATEOBJID, ENVOBJID, STATENAME, STATEORDER) "
             "VALUES (?1, ?2, ?3, ?4)"},
            {&insPackage_,
             "INSERT INTO KESPACKAGE (PACKAGEOBJID, ENVOBJID, STATEOBJID, PACKAGENAME) "
             "VALUES (?1, ?2, ?3, ?4)"},
            {&insView_,
             "INSERT INTO KESVIEW (VIEWOBJID, ENVOBJID, STATEOBJID, VIEWNAME) "
             "VALUES (?1, ?2, ?3, ?4)"},
            {&insUser_, "INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (?1, ?2)"},
            {&insName_,
             "INSERT INTO KESITEMNAME (NAMEOBJID, ITEMNAME, ITEMNAMEUPPER) VALUES (?1, ?2, ?3)"},
            {&insPath_, "INSERT INTO KESPATHFULLNAME (VERSIONOBJID, PATHFULLNAME) VALUES (?1, ?2)"},
            {&insData_,
             "INSERT INTO KESVERSIONDATA (VERSIONDATAOBJID, DATASIZE, COMPDATASIZE, REFCOUNTER, "
             "FILEACCESS, TEXTFILE, ISDATAINCHUNKS) VALUES (?1, ?2, ?3, 1, 32, ?4, 0)"},
            {&insContent_, "INSERT INTO TKFILEDATA (VERSIONDATAOBJID, CONTENT) VALUES (?1, ?2)"},
            {&insVersion_,
             "INSERT INTO KESVERSIONS (VERSIONOBJID, ITEMOBJID, ITEMNAMEID, PATHVERSIONID, "
             "PACKAGEOBJID, VERSIONDATAOBJID, PARENTVERSIONID, MERGEDVERSIONID, "
             "ANCESTORVERSIONID, MAPPEDVERSION, ITEMTYPE, VERSIONSTATUS, INBRANCH, REFACTOR, "
             "REFACTOR_BY, CREATORID, CREATIONTIME, MODIFIERID, MODIFIEDTIME, CLIENTMACHINE, "
             "CLIENTPATH) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 0, ?8, ?9, ?10, ?11, ?12, 0, 0, "
             "?13, ?14, ?15, ?16, ?17, ?18)"},
            {&insInView_, "INSERT INTO KESVERSIONINVIEW (VIEWOBJID, VERSIONOBJID) VALUES (?1, ?2)"},
        };
        for (const auto& s : all) {
            *s.stmt = db_.Prepare(s.sql, error);
            if (!*s.stmt) return false;
        }
        return true;
    }

    // Takes the first object id from the repository's sequence, so that the demo's objects
    // follow whatever the repository already holds (users added before, for one).
    bool StartAtSequence(std::string& error) {
        Stmt get = db_.Prepare("SELECT VALUE FROM TKMETA WHERE KEY = 'nextobjid'", error);
        if (!get) return false;
        int rc = get.Step();
        if (rc == SQLITE_ROW) {
            nextId_ = get.Int(0);
        } else if (rc != SQLITE_DONE) {
            error = db_.LastError();
            return false;
        }
        return true;
    }

    bool Skeleton(std::string& error) {
        Stmt known = db_.Prepare("SELECT USROBJID FROM KESALLUSERS WHERE USERNAME = ?1", error);
        if (!known) return false;
        for (const char* user : kUsers) {
            // A user the repository already knows keeps its id.
            known.Bind(1, std::string_view(user));
            int rc = known.Step();
            if (rc == SQLITE_ROW) {
                users_.push_back(known.Int(0));
                known.Reset();
                continue;
            }
            if (rc != SQLITE_DONE) {
                error = db_.LastError();
                return false;
            }
            known.Reset();
            long long id = NextId();
            users_.push_back(id);
            insUser_.Bind(1, id).Bind(2, std::string_view(user));
            if (!Exec(insUser_, error)) return false;
        }
        for (const ProjectSpec& p : Projects()) {
            long long env = NextId();
            envs_[p.name] = env;
            insEnv_.Bind(1, env).Bind(2, std::string_view(p.name));
            if (!Exec(insEnv_, error)) return false;
            for (const auto& [state, order] : p.states) {
                long long sid = NextId();
                states_[Key(p.name, state)] = sid;
                insState_.Bind(1, sid).Bind(2, env).Bind(3, std::string_view(state)).Bind(4, order);
                if (!Exec(insState_, error)) return false;
                long long vid = NextId();
                views_[sid] = vid;
                insView_.Bind(1, vid).Bind(2, env).Bind(3, sid).Bind(
                    4, std::string(p.name) + "/" + state);
                if (!Exec(insView_, error)) return false;
            }
            for (const auto& [package, state] : p.packages) {
                long long pid = NextId();
                long long sid = states_[Key(p.name, state)];
                packages_[Key(p.name, package)] = {pid, sid};
                insPackage_.Bind(1, pid).Bind(2, env).Bind(3, sid).Bind(4,
                                                                        std::string_view(package));
                if (!Exec(insPackage_, error)) return false;
            }
        }
        return true;
    }

    // Adds one item with its versions, oldest first.
    bool Item(const std::string& project, const std::string& path, const std::string& name,
              int type, const std::vector<Version>& versions, bool noClientPath,
              std::string& error) {
        long long nameId = 0, pathId = 0;
        if (!NameId(name, nameId, error) || !PathId(project, path, pathId, error)) return false;
        long long itemId = NextId();
        ++itemCount_;
        std::map<std::string, long long> byMapped;
        for (const Version& v : versions) {
            auto pkg = packages_.find(Key(project, v.package));
            if (pkg == packages_.end()) {
                error = "demo data names an unknown package " + v.package;
                return false;
            }
            const std::string& mapped = v.mapped;
            long long versionId = NextId(), dataId = NextId();
            long long parent = 0, ancestor = 0;
            Lineage(mapped, byMapped, parent, ancestor);
            byMapped[mapped] = versionId;

            std::string content = Content(project, path, name, type, mapped, v.package);
            insData_.Bind(1, dataId)
                .Bind(2, static_cast<int64_t>(content.size()))
                .Bind(3, static_cast<int64_t>(content.size() < 64 ? content.size()
                                                                  : content.size() / 2 + 32))
                .Bind(4, type == 2 ? 0 : 1);
            if (!Exec(insData_, error)) return false;
            insContent_.Bind(1, dataId).BindBlob(2, content);
            if (!Exec(insContent_, error)) return false;

            long long creator = users_[static_cast<size_t>(versionId) % std::size(kUsers)];
            long long modifier = users_[static_cast<size_t>(versionId / 3) % std::size(kUsers)];
            std::string created = Time(versionId), modified = Time(versionId + 7);
            insVersion_.Bind(1, versionId)
                .Bind(2, itemId)
                .Bind(3, nameId)
                .Bind(4, pathId)
                .Bind(5, pkg->second.first)
                .Bind(6, dataId)
                .Bind(7, parent)
                .Bind(8, ancestor)
                .Bind(9, mapped)
                .Bind(10, type == 0 ? 0 : 1)
                .Bind(11, v.tag)
                .Bind(12, mapped.find('.') != std::string::npos ? 1 : 0)
                .Bind(13, creator)
                .Bind(14, created)
                .Bind(15, modifier)
                .Bind(16, modified);
            char machine[16];
            snprintf(machine, sizeof machine, "WS-%03lld", versionId % 37);
            insVersion_.Bind(17, std::string_view(machine));
            if (noClientPath) {
                insVersion_.BindNull(18);
            } else {
                std::string client = "C:\\work\\" + project + path;
                insVersion_.Bind(18, client);
            }
            if (!Exec(insVersion_, error)) return false;
            insInView_.Bind(1, views_[pkg->second.second]).Bind(2, versionId);
            if (!Exec(insInView_, error)) return false;
            ++versionCount_;
        }
        return true;
    }

    long long itemCount() const { return itemCount_; }
    long long nextId() const { return nextId_; }

private:
    static std::string Key(const std::string& a, const std::string& b) { return a + "\n" + b; }

    long long NextId() { return nextId_++; }

    bool Exec(Stmt& st, std::string& error) {
        if (!st.Run()) {
            error = db_.LastError();
            return false;
        }
        st.Reset();
        return true;
    }

    bool NameId(const std::string& name, long long& id, std::string& error) {
        auto it = names_.find(name);
        if (it != names_.end()) {
            id = it->second;
            return true;
        }
        id = NextId();
        names_[name] = id;
        insName_.Bind(1, id).Bind(2, name).Bind(3, AsciiUpper(name));
        return Exec(insName_, error);
    }

    bool PathId(const std::string& project, const std::string& path, long long& id,
                std::string& error) {
        std::string key = Key(project, path);
        auto it = paths_.find(key);
        if (it != paths_.end()) {
            id = it->second;
            return true;
        }
        id = NextId();
        paths_[key] = id;
        insPath_.Bind(1, id).Bind(2, path);
        return Exec(insPath_, error);
    }

    // The version a new version grows from: the previous trunk version for trunk versions, the
    // trunk version a branch starts at for the first version on a branch (also its ancestor),
    // the previous version on the branch otherwise. Versions of an "x" branch start from none.
    static void Lineage(const std::string& mapped, const std::map<std::string, long long>& known,
                        long long& parent, long long& ancestor) {
        auto find = [&](const std::string& m) {
            auto it = known.find(m);
            return it == known.end() ? 0LL : it->second;
        };
        size_t dot1 = mapped.find('.');
        if (dot1 == std::string::npos) {
            long long n = atoll(mapped.c_str());
            parent = n > 0 ? find(std::to_string(n - 1)) : 0;
            return;
        }
        size_t dot2 = mapped.find('.', dot1 + 1);
        std::string base = mapped.substr(0, dot1);
        std::string prefix = dot2 == std::string::npos ? mapped : mapped.substr(0, dot2);
        long long step = dot2 == std::string::npos ? 1 : atoll(mapped.c_str() + dot2 + 1);
        ancestor = find(base);
        parent = step > 1 ? find(prefix + "." + std::to_string(step - 1)) : ancestor;
    }

    std::string Content(const std::string& project, const std::string& path,
                        const std::string& name, int type, const std::string& mapped,
                        const std::string& package) {
        if (type == 0) return {};
        if (type == 2) {
            // A tiny 2x2 24-bit bitmap whose colours depend on the version.
            std::string bmp("BM", 2);
            unsigned char header[] = {70, 0,    0,    0, 0, 0, 0,  0, 54, 0, 0,    0,    40,
                                      0,  0,    0,    2, 0, 0, 0,  2, 0,  0, 0,    1,    0,
                                      24, 0,    0,    0, 0, 0, 16, 0, 0,  0, 0x13, 0x0b, 0,
                                      0,  0x13, 0x0b, 0, 0, 0, 0,  0, 0,  0, 0,    0,    0};
            bmp.append(reinterpret_cast<const char*>(header), sizeof header);
            unsigned char v = static_cast<unsigned char>(mapped.empty() ? 0 : mapped[0]);
            for (int row = 0; row < 2; ++row) {
                for (int px = 0; px < 2; ++px) {
                    bmp += static_cast<char>(v * 3 + row);
                    bmp += static_cast<char>(v * 5 + px);
                    bmp += static_cast<char>(0xff - v);
                }
                bmp.append(2, '\0');
            }
            return bmp;
        }
        std::string sep = path.size() > 1 ? "\\" : "";
        std::string c = "/* " + project + ": " + path + sep + name + " */\n";
        c += "/* version " + mapped + ", package " + package + " */\n";
        c += "static const char* version_text = \"" + mapped + "\";\n";
        return c;
    }

    // Creation times: one version every 53 seconds from 2024-01-08 09:00:00.
    static std::string Time(long long id) {
        time_t t = static_cast<time_t>(1704704400LL + id * 53);
        struct tm tm;
        gmtime_r(&t, &tm);
        char buf[32];
        strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
        return buf;
    }

    Db& db_;
    long long nextId_ = 1;
    long long itemCount_ = 0, versionCount_ = 0;
    std::vector<long long> users_;
    std::map<std::string, long long> envs_, states_, names_, paths_;
    std::map<std::string, std::pair<long long, long long>> packages_;  // id, state
    std::map<long long, long long> views_;                             // state -> view
    Stmt insEnv_, insState_, insPackage_, insView_, insUser_, insName_, insPath_, insData_,
        insContent_, insVersion_, insInView_;
};

// Target history of a generated item of trunk length n, chosen by a weighted draw (0..99).
std::vector<Version> TargetPattern(int draw, int n, bool otherPackage) {
    std::vector<Version> v;
    auto trunk = [&](int upTo, const std::string& package) {
        for (int i = 1; i <= upTo; ++i) v.push_back({std::to_string(i), "N", package});
    };
    const std::string base = std::to_string(n);
    if (draw < 35) {  // trunk only, latest in the target package or another one
        trunk(n - 1, "EU0000");
        v.push_back({base, "N", otherPackage ? "EU0002" : "EU0001"});
    } else if (draw < 45) {  // a branch in another package
        trunk(n, "EU0000");
        for (int i = 1; i <= 1 + n % 3; ++i)
            v.push_back({base + ".1." + std::to_string(i), "N", "EU0002"});
    } else if (draw < 52) {  // a branch in the target package: unmerged
        trunk(n, "EU0000");
        v.push_back({base + ".1.1", "N", "EU0001"});
        v.push_back({base + ".1.2", "N", "EU0001"});
    } else if (draw < 60) {  // x branches only
        v.push_back({"x.1.1", "N", "EU0000"});
        v.push_back({"x.2.1", "N", "EU0002"});
    } else if (draw < 65) {  // merge tagged
        trunk(n - 1, "EU0000");
        v.push_back({base, "M", "EU0001"});
    } else if (draw < 67) {  // reserve tagged
        trunk(n - 1, "EU0000");
        v.push_back({base, "R", "EU0002"});
    } else if (draw < 72) {  // version 0
        v.push_back({"0", "N", "EU0001"});
    } else {  // a finished branch, then trunk again
        trunk(n, "EU0000");
        v.push_back({base + ".1.1", "N", "EU0002"});
        v.push_back({std::to_string(n + 1), "N", "EU0002"});
    }
    return v;
}

// Grows the data set with generated items in nested paths until it holds `wanted` items:
// each a source item of Payroll, most with a counterpart in PayrollEU.
bool GeneratedItems(Builder& b, long long wanted, std::string& error) {
    Rng rng;
    static const char* const kExt[] = {".cpp", ".h", ".txt", ".cfg"};
    for (long long k = 0; b.itemCount() < wanted; ++k) {
        char path[64], name[32];
        snprintf(path, sizeof path, "\\Payroll\\gen\\m%03lld\\s%02lld", k / 200, (k / 20) % 10);
        snprintf(name, sizeof name, "g%06lld%s", k, kExt[k % 4]);

        int n = 1 + rng.Below(3);
        std::vector<Version> src;
        for (int i = 1; i <= n; ++i)
            src.push_back(
                {std::to_string(i), "N", i < n ? "PAY0000" : (k % 3 == 0 ? "PAY0002" : "PAY0001")});
        if (rng.Below(100) == 0) src.back().tag = "D";
        if (!b.Item("Payroll", path, name, 1, src, false, error)) return false;

        if (b.itemCount() < wanted && rng.Below(100) < 70) {
            int draw = rng.Below(100);
            int tn = 1 + rng.Below(4);
            std::vector<Version> tgt = TargetPattern(draw, tn, rng.Below(2) == 0);
            if (!b.Item("PayrollEU", path, name, 1, tgt, k % 11 == 0, error)) return false;
        }
    }
    return true;
}

bool Count(Db& db, const std::string& sql, long long& n, std::string& error) {
    Stmt st = db.Prepare(sql, error);
    if (!st) return false;
    if (st.Step() != SQLITE_ROW) {
        error = db.LastError();
        return false;
    }
    n = st.Int(0);
    return true;
}

}  // namespace

bool LoadDemo(Db& db, long long items, std::string& error) {
    long long existing = 0;
    if (!Count(db, "SELECT COUNT(*) FROM KESENVIRONMENT", existing, error)) return false;
    if (existing) {
        error = "the repository already holds projects; the demo needs an empty repository";
        return false;
    }
    Transaction tx(db);
    if (!tx.ok()) {
        error = db.LastError();
        return false;
    }
    Builder b(db);
    if (!b.StartAtSequence(error) || !b.Prepare(error) || !b.Skeleton(error)) return false;
    for (const ItemSpec& it : CoreItems()) {
        std::vector<Version> versions;
        for (const VersionSpec& v : it.versions) versions.push_back({v.mapped, v.tag, v.package});
        if (!b.Item(it.project, it.path, it.name, it.type, versions, it.noClientPath, error))
            return false;
    }
    if (!GeneratedItems(b, items, error)) return false;

    Stmt next = db.Prepare(
        "INSERT INTO TKMETA (KEY, VALUE) VALUES ('nextobjid', ?1) "
        "ON CONFLICT(KEY) DO UPDATE SET VALUE = excluded.VALUE",
        error);
    if (!next) return false;
    next.Bind(1, static_cast<int64_t>(b.nextId()));
    if (!next.Run()) {
        error = db.LastError();
        return false;
    }
    if (!tx.Commit(error)) return false;
    if (!SetUserPassword(db, "demo", "demo", error)) return false;
    return db.Exec("ANALYZE", error);
}

QueryRows SqliteRows(Db& db) {
    return [&db](const std::string& sql, std::vector<std::vector<std::string>>& rows,
                 std::string& error) {
        rows.clear();
        Stmt st = db.Prepare(sql, error);
        if (!st) return false;
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(st.get()); ++c) row.push_back(st.Text(c));
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            error = db.LastError();
            return false;
        }
        return true;
    };
}

bool PrintStatistics(const QueryRows& query, std::string& error, bool credentials) {
    std::vector<std::string> tables = ScmTableNames();
    tables.push_back(kFileDataTable);
    if (credentials) tables.push_back(kCredentialsTable);
    auto number = [](const std::string& text) { return atoll(text.c_str()); };
    std::vector<std::vector<std::string>> rows;
    printf("%-20s %10s\n", "table", "rows");
    for (const std::string& t : tables) {
        if (!query("SELECT COUNT(*) FROM " + t, rows, error)) return false;
        printf("%-20s %10lld\n", t.c_str(), rows.empty() ? 0LL : number(rows[0][0]));
    }
    if (!query("SELECT E.ENVIRONMENTNAME, P.PACKAGENAME, S.STATENAME, COUNT(V.VERSIONOBJID), "
               "COUNT(DISTINCT V.ITEMOBJID) FROM KESENVIRONMENT E "
               "JOIN KESPACKAGE P ON P.ENVOBJID = E.ENVOBJID "
               "JOIN KESSTATE S ON S.STATEOBJID = P.STATEOBJID "
               "LEFT JOIN KESVERSIONS V ON V.PACKAGEOBJID = P.PACKAGEOBJID "
               "GROUP BY E.ENVIRONMENTNAME, P.PACKAGENAME, S.STATENAME "
               "ORDER BY E.ENVIRONMENTNAME, P.PACKAGENAME",
               rows, error))
        return false;
    printf("\n%-12s %-10s %-8s %10s %10s\n", "project", "package", "state", "versions", "items");
    for (const auto& r : rows) {
        printf("%-12s %-10s %-8s %10lld %10lld\n", r[0].c_str(), r[1].c_str(), r[2].c_str(),
               number(r[3]), number(r[4]));
    }
    if (!query("SELECT E.ENVIRONMENTNAME, COUNT(DISTINCT V.ITEMOBJID), COUNT(*) FROM KESVERSIONS V "
               "JOIN KESPACKAGE P ON P.PACKAGEOBJID = V.PACKAGEOBJID "
               "JOIN KESENVIRONMENT E ON E.ENVOBJID = P.ENVOBJID "
               "GROUP BY E.ENVIRONMENTNAME ORDER BY E.ENVIRONMENTNAME",
               rows, error))
        return false;
    printf("\n%-12s %10s %10s\n", "project", "items", "versions");
    long long totalItems = 0;
    for (const auto& r : rows) {
        printf("%-12s %10lld %10lld\n", r[0].c_str(), number(r[1]), number(r[2]));
        totalItems += number(r[1]);
    }
    printf("%-12s %10lld\n", "all", totalItems);
    return true;
}

}  // namespace qv::tools
