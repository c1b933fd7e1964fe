// Made-up rows and records for the list benchmarks: the same n always gives the same data, in no
// particular order, with every kind of tag and outcome the result list colours.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "ui/ReportCtrl.h"

namespace qvbench {

// The result list's fourteen columns.
inline const char* const kLayout =
    "File,175;Path,250;Version,50;Type,40;Tag,30;Merge Status,215;Src Package,150;Datasize,60;"
    "Creator,125;Created Date,125;Modifier,125;Modified Date,125;Itemobjid,0;Record,0";

using RowTexts = std::array<std::string, 14>;

// The cell texts of n rows as a source load would give them.
inline std::vector<RowTexts> MakeRows(int n) {
    std::mt19937 random(7);
    std::vector<RowTexts> rows(n);
    const char* tags[] = {"", "", "", "N", "R", "M", "D"};
    char buf[64];
    for (int k = 0; k < n; ++k) {
        RowTexts& t = rows[k];
        std::snprintf(buf, sizeof buf, "file%06u.c", static_cast<unsigned>(random() % 1000000));
        t[0] = buf;
        t[1] = "\\Payroll\\src\\module" + std::to_string(random() % 200);
        t[2] = "1." + std::to_string(random() % 9) + "." + std::to_string(random() % 30);
        t[3] = "1";
        t[4] = tags[random() % 7];
        t[5] = std::to_string(random() % 9) + " -> " + std::to_string(random() % 9);
        t[6] = "PKG" + std::to_string(random() % 40);
        std::snprintf(buf, sizeof buf, "%-12u", static_cast<unsigned>(random() % 5000000));
        t[7] = buf;
        t[8] = "user" + std::to_string(random() % 50);
        std::snprintf(
            buf, sizeof buf, "20%02u-%02u-%02u %02u:%02u:%02u",
            static_cast<unsigned>(10 + random() % 15), static_cast<unsigned>(1 + random() % 12),
            static_cast<unsigned>(1 + random() % 28), static_cast<unsigned>(random() % 24),
            static_cast<unsigned>(random() % 60), static_cast<unsigned>(random() % 60));
        t[9] = buf;
        t[10] = "user" + std::to_string(random() % 50);
        t[11] = t[9];
        t[12] = std::to_string(100000 + k);
        t[13] = std::to_string(k);
    }
    return rows;
}

// Replaces the list's rows with `rows`, each inserted at the top with its Tag and Merge Status
// cells coloured, as the result list's fill does it.
inline void Fill(qv::CReportCtrl& list, const std::vector<RowTexts>& rows) {
    list.RemoveAllRows();
    for (const RowTexts& t : rows) {
        list.AddRow(0, "");
        for (int c = 0; c < 14; ++c) list.SetCellText(0, c, t[c]);
        list.SetCellTextColor(0, 4, 0x008000, true);
        list.SetCellTextColor(0, 5, 0xFF0000, true);
    }
}

// Source records as a source load gives them, keyed by their item object id.
inline void MakeRecords(qv::CMapStrToFObj& items, int n) {
    std::mt19937 random(11);
    const char* tags[] = {"", "", "", "N", "R", "M", "D"};
    const char* outcomes[] = {"3 -> 4",
                              "3 -> 5  (M) Merge Tagged",
                              "3 -> 2.1.3  (U) Unmerged Exists",
                              "3 (D) -> Src Ignored",
                              "3 -> 5 (E) Reserve Tag Exists",
                              "3 -> 0",
                              ""};
    char buf[64];
    for (int k = 0; k < n; ++k) {
        qv::CFObj r;
        std::snprintf(buf, sizeof buf, "file%06u.c", static_cast<unsigned>(random() % 1000000));
        r.itemName = buf;
        r.pathFullName = "\\Payroll\\src\\module" + std::to_string(random() % 200);
        r.mappedVersion = "1." + std::to_string(random() % 9) + "." + std::to_string(random() % 30);
        r.itemType = "1";
        r.versionStatus = tags[random() % 7];
        r.packageName = "PKG" + std::to_string(random() % 40);
        r.dataSize = std::to_string(random() % 5000000);
        r.creator = "user" + std::to_string(random() % 50);
        r.creationTime = "2024-03-04 05:06:07";
        r.modifier = r.creator;
        r.modifiedTime = r.creationTime;
        r.itemObjId = std::to_string(100000 + k);
        r.result = outcomes[random() % 7];
        items.SetAt(r.itemObjId, r);
    }
}

// Reports the time per row (or record), to show that the cost per row stays flat as the list
// grows.
inline void PerRow(benchmark::State& state, double rows, const char* name = "per_row") {
    state.counters[name] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace qvbench
