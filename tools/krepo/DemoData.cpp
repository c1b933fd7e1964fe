#include "tools/krepo/DemoData.h"

namespace qv::tools::demo {

const std::vector<ItemSpec>& CoreItems() {
    static const std::vector<ItemSpec> items = {
        // Source version tagged D: "4 (D) -> Src Ignored", whatever the options.
        {"Payroll",
         "\\Payroll\\src\\calc",
         "obsolete.cpp",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "D", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "obsolete.cpp",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}, {"3", "N", "EU0001"}}},

        // Target's latest version merge tagged: "3 -> 5 (E) Merge Tag Exists".
        {"Payroll",
         "\\Payroll\\src\\calc",
         "tax.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "tax.cpp",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"3", "N", "EU0000"},
          {"4", "N", "EU0000"},
          {"5", "M", "EU0001"}}},

        // Target's latest version reserve tagged: "2 -> 5 (E) Reserve Tag Exists".
        {"Payroll",
         "\\Payroll\\include",
         "rates.h",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\include",
         "rates.h",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"3", "N", "EU0000"},
          {"4", "N", "EU0000"},
          {"5", "R", "EU0002"}}},

        // Target trunk 4 in another package, with an earlier branch 3.1.1: trunk placement
        // "3 -> 5  (M) Merge Tagged" ("3 -> 5 " with Take Trunk/Branch Version); branch
        // placement 4.1.1, or 4.2.1 when the branch search sees the target project's view.
        {"Payroll",
         "\\Payroll\\src\\calc",
         "payslip.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "payslip.cpp",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"3", "N", "EU0000"},
          {"3.1.1", "N", "EU0002"},
          {"4", "N", "EU0002"}}},

        // Target's latest is branch version 2.1.3 in the target package:
        // "6 -> 2.1.3  (U) Unmerged Exists".
        {"Payroll",
         "\\Payroll\\src\\report",
         "report.cpp",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "N", "PAY0000"},
          {"5", "N", "PAY0000"},
          {"6", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\report",
         "report.cpp",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"2.1.1", "N", "EU0001"},
          {"2.1.2", "N", "EU0001"},
          {"2.1.3", "N", "EU0001"}}},

        // Target's latest is branch version 2.1.3 in another package: branch placement
        // "4 -> 2.2.3"; trunk placement "4 -> 3 (M) Merge Tagged" ("4 -> 3" with Take Trunk).
        {"Payroll",
         "\\Payroll\\src\\report",
         "ledger.cpp",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\report",
         "ledger.cpp",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"2.1.1", "N", "EU0002"},
          {"2.1.2", "N", "EU0002"},
          {"2.1.3", "N", "EU0002"}}},

        // Only in the source: "1 -> x.1.1" (branch), "1 -> 0" (trunk), "1 -> " (Take Trunk).
        {"Payroll", "\\Payroll\\src\\ui", "newscreen.cpp", 1, {{"1", "N", "PAY0001"}}},

        // Target's latest x.2.1 in another package: "2 -> x.3.1" (branch), "2 -> 0" (trunk),
        // "2 -> Ignored for Take Trunk option" (Take Trunk Version, branch placement).
        {"Payroll",
         "\\Payroll\\src\\ui",
         "dialog.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\ui",
         "dialog.cpp",
         1,
         {{"x.1.1", "N", "EU0000"}, {"x.2.1", "N", "EU0002"}}},

        // Target's latest x.2.1 in the target package: Take Trunk Version with branch
        // placement still maps, "3 -> x.3.1".
        {"Payroll",
         "\\Payroll\\src\\ui",
         "menu.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\ui",
         "menu.cpp",
         1,
         {{"x.1.1", "N", "EU0001"}, {"x.2.1", "N", "EU0001"}}},

        // Target's latest x3.1.1: branch placement "2 -> x0.2.1".
        {"Payroll",
         "\\Payroll\\src\\legacy",
         "convert.c",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU", "\\Payroll\\src\\legacy", "convert.c", 1, {{"x3.1.1", "N", "EU0002"}}},

        // Target's latest is trunk version 0: "1 -> 0  Project item already exists".
        {"Payroll", "\\Payroll\\src\\calc", "zero.cpp", 1, {{"1", "N", "PAY0001"}}},
        {"PayrollEU", "\\Payroll\\src\\calc", "zero.cpp", 1, {{"0", "N", "EU0001"}}},

        // Target's latest is "x": trunk "2 -> 0"; branch "2 -> 0  Project item already exists".
        {"Payroll",
         "\\Payroll\\cfg",
         "xonly.cfg",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU", "\\Payroll\\cfg", "xonly.cfg", 1, {{"x", "N", "EU0002"}}},

        // Target grew on x branches before trunk 1: branch placement 1.1.1, or x.3.1 when the
        // branch search sees the target project's view; trunk "2 -> 2  (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\src\\calc",
         "bonus.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "bonus.cpp",
         1,
         {{"x.1.1", "N", "EU0002"}, {"x.2.1", "N", "EU0002"}, {"1", "N", "EU0002"}}},

        // In two source packages: 1.10.1 (PAY0001) and 1.9.1 (PAY0002); with both packages
        // chosen 1.9.1 stays (mapped versions compare as bytes).
        {"Payroll",
         "\\Payroll\\src\\util",
         "util.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"1.9.1", "N", "PAY0002"}, {"1.10.1", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\util",
         "util.cpp",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}}},

        // Target trunk 2 in the target package, no branches: branch "5 -> 2.1.1"; trunk
        // "5 -> 3  (M) Merge Tagged". Its target versions have no client path.
        {"Payroll",
         "\\Payroll\\src\\calc",
         "holiday.cpp",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "N", "PAY0000"},
          {"5", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "holiday.cpp",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0001"}},
         true},

        // Two target items named config.h in different paths: the first one met decides.
        {"Payroll",
         "\\Payroll\\include",
         "config.h",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\include",
         "config.h",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}, {"3", "N", "EU0000"}}},
        {"PayrollEU",
         "\\Payroll\\src",
         "config.h",
         1,
         {{"1", "N", "EU0001"}, {"1.1.1", "N", "EU0001"}}},

        // A directory item (type 0) in both projects.
        {"Payroll", "\\Payroll\\src", "calc", 0, {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU", "\\Payroll\\src", "calc", 0, {{"1", "N", "EU0000"}}},

        // Reserve tagged in the source (package PAY0003, state QA): the analysis stops there.
        {"Payroll",
         "\\Payroll\\src\\calc",
         "locked.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "R", "PAY0003"}}},
        {"PayrollEU", "\\Payroll\\src\\calc", "locked.cpp", 1, {{"1", "N", "EU0000"}}},

        // Merge tagged in the source, absent from the target: ordinary rules, "2 -> x.1.1".
        {"Payroll",
         "\\Payroll\\src\\calc",
         "merged.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "M", "PAY0001"}}},

        // Target's latest version deleted (D): ordinary rules, trunk "3 -> 5  (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\doc",
         "readme.txt",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\doc",
         "readme.txt",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}, {"3", "N", "EU0000"}, {"4", "D", "EU0002"}}},

        // A binary file, for the hex viewer: trunk "2 -> 3  (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\res",
         "logo.bmp",
         2,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\res",
         "logo.bmp",
         2,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}}},

        // Target's latest is the first version of its branch (2.1.1) in another package: the
        // trunk check passes with any view; branch "3 -> 2.2.1", trunk "3 -> 3 (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\src\\calc",
         "overtime.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"3", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "overtime.cpp",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}, {"2.1.1", "N", "EU0002"}}},

        // Two branches of trunk 3, latest 3.2.1 in another package: branch "5 -> 3.3.1";
        // trunk "5 -> 4 (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\src\\report",
         "summary.cpp",
         1,
         {{"1", "N", "PAY0000"},
          {"2", "N", "PAY0000"},
          {"3", "N", "PAY0000"},
          {"4", "N", "PAY0000"},
          {"5", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\report",
         "summary.cpp",
         1,
         {{"1", "N", "EU0000"},
          {"2", "N", "EU0000"},
          {"3", "N", "EU0000"},
          {"3.1.1", "N", "EU0001"},
          {"3.2.1", "N", "EU0002"}}},

        // Source's latest is a branch version: trunk "2.1.1 -> 3  (M) Merge Tagged".
        {"Payroll",
         "\\Payroll\\src\\calc",
         "pension.cpp",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0000"}, {"2.1.1", "N", "PAY0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\calc",
         "pension.cpp",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0000"}}},

        // Only in the second source package.
        {"Payroll", "\\Payroll\\src\\ui", "theme.css", 1, {{"1", "N", "PAY0002"}}},
        {"PayrollEU",
         "\\Payroll\\src\\ui",
         "theme.css",
         1,
         {{"1", "N", "EU0000"}, {"2", "N", "EU0002"}}},

        // At the repository root, and a name with blanks (both only in the source).
        {"Payroll", "\\", "Makefile", 1, {{"1", "N", "PAY0001"}}},
        {"Payroll",
         "\\Payroll\\doc",
         "Release Notes.txt",
         1,
         {{"1", "N", "PAY0000"}, {"2", "N", "PAY0001"}}},

        // Only in the target.
        {"PayrollEU",
         "\\Payroll\\src\\eu",
         "vat.cpp",
         1,
         {{"1", "N", "EU0001"}, {"2", "N", "EU0001"}}},
        {"PayrollEU",
         "\\Payroll\\src\\eu",
         "sepa.cpp",
         1,
         {{"1", "N", "EU0002"}, {"1.1.1", "N", "EU0003"}}},

        // A third project with a name shared with the source: never part of the analysis.
        {"Tools", "\\Tools\\src", "tax.cpp", 1, {{"1", "N", "TL0001"}, {"2", "N", "TL0001"}}},
        {"Tools", "\\Tools\\build", "make.sh", 1, {{"1", "N", "TL0001"}}},
    };
    return items;
}

const std::vector<ProjectSpec>& Projects() {
    static const std::vector<ProjectSpec> projects = {
        {"Payroll",
         {{"DEV", 1}, {"QA", 2}, {"PROD", 3}, {"ARCHIVE", 4}},
         {{"PAY0000", "PROD"}, {"PAY0001", "DEV"}, {"PAY0002", "DEV"}, {"PAY0003", "QA"}}},
        {"PayrollEU",
         {{"DEV", 1}, {"QA", 2}, {"PROD", 3}},
         {{"EU0000", "PROD"}, {"EU0001", "DEV"}, {"EU0002", "DEV"}, {"EU0003", "QA"}}},
        {"Tools", {{"DEV", 1}}, {{"TL0001", "DEV"}}},
    };
    return projects;
}

}  // namespace qv::tools::demo
