// Made-up source records for demonstrations and screenshots: deterministic, with every kind of
// tag and outcome the result list colours. Never used by the program's own logic.
#pragma once

#include <cstdio>
#include <string>

#include "engine/Records.h"

namespace qvdemo {

// Fills `items` with n records keyed by their item object id (replacing records with the same
// keys). The same n always gives the same records.
inline void FillDemoRecords(qv::CMapStrToFObj& items, int n) {
    static const char* const kStems[] = {"payroll", "ledger", "invoice", "tax_rules", "report",
                                         "export",  "import", "audit",   "customer",  "schedule"};
    static const char* const kExtensions[] = {".c", ".h", ".cpp", ".sql", ".rc", ".ini", ".bmp"};
    static const char* const kPaths[] = {"\\Payroll\\src", "\\Payroll\\include",
                                         "\\Payroll\\db\\scripts", "\\Payroll\\res",
                                         "\\Ledger\\src\\core"};
    static const char* const kTags[] = {"", "N", "", "M", "", "D", "R", ""};
    static const char* const kPackages[] = {"PAY-1041 Year end", "PAY-1057 Rates 2024",
                                            "LED-0212 Audit trail"};
    static const char* const kUsers[] = {"akarsten", "bmoreau", "cnakamura", "dokafor"};
    // Outcomes of every colour: plain results, merge tags, unmerged branches, tags in the target
    // and ignored items; deleted sources get theirs from their tag.
    static const char* const kOutcomes[] = {
        "%d -> %d",
        "%d -> %d  (M) Merge Tagged",
        "%d -> 2.1.%d  (U) Unmerged Exists",
        "%d -> x.1.1",
        "%d -> %d (E) Merge Tag Exists",
        "%d -> Ignored for Take Trunk option",
        "%d -> %d (E) Reserve Tag Exists",
        "%d -> 0",
        "%d -> Ignored: Project item already exists",
        "",
    };
    char buf[160];
    for (int k = 0; k < n; ++k) {
        qv::CFObj r;
        std::snprintf(buf, sizeof buf, "%s%03d%s", kStems[k % 10], (k * 37) % 1000,
                      kExtensions[(k / 3) % 7]);
        r.itemName = buf;
        r.pathFullName = kPaths[(k / 2) % 5];
        const int version = 1 + (k * 7) % 9;
        r.mappedVersion =
            (k % 4 == 1) ? "1." + std::to_string(version) + ".1" : std::to_string(version);
        // A character, not a one-letter literal: GCC 12 at -O3 takes that copy for an
        // overlapping one (a false -Wrestrict).
        r.itemType.assign(1, k % 7 == 6 ? '2' : '1');
        r.versionStatus = kTags[k % 8];
        r.packageName = kPackages[k % 3];
        r.dataSize = std::to_string(512 + (k * 7919) % 250000);
        r.creator = kUsers[k % 4];
        std::snprintf(buf, sizeof buf, "2023-%02d-%02d %02d:%02d:%02d", 1 + k % 12, 1 + k % 28,
                      8 + k % 10, (k * 13) % 60, (k * 29) % 60);
        r.creationTime = buf;
        r.modifier = kUsers[(k + 1) % 4];
        std::snprintf(buf, sizeof buf, "2024-%02d-%02d %02d:%02d:%02d", 1 + (k + 5) % 12,
                      1 + (k + 9) % 28, 8 + (k + 3) % 10, (k * 17) % 60, (k * 31) % 60);
        r.modifiedTime = buf;
        r.itemObjId = std::to_string(100001 + k);
        const char* outcome = kOutcomes[(k * 5 + k / 10) % 10];
        // A deleted source is always ignored.
        if (r.versionStatus == "D") outcome = "%d (D) -> Src Ignored";
        // A reserve-tagged source stops an analysis, so it never gets an outcome.
        if (r.versionStatus == "R") outcome = "";
        std::snprintf(buf, sizeof buf, outcome, version, version + 1 + k % 3);
        r.result = buf;
        items.SetAt(r.itemObjId, r);
    }
}

}  // namespace qvdemo
