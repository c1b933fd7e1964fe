// The hand-made part of the demo data set: the projects with their states and packages, the
// users, and the items whose versions give a merge analysis from Payroll into PayrollEU every kind
// of outcome.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qv::tools::demo {

// One version of a hand-made item: mapped version, status tag, package.
struct VersionSpec {
    const char* mapped;
    const char* tag;
    const char* package;
};

// A version as the builder takes it.
struct Version {
    std::string mapped, tag, package;
};

// A hand-made item of one project. Items of the same name in Payroll (the merge source) and
// PayrollEU (the merge target) form the cases of the analysis; the comment of each says what an
// analysis from package PAY0001 into package EU0001 (state DEV) is meant to show.
struct ItemSpec {
    const char* project;
    const char* path;
    const char* name;
    int type;  // 0 directory, 1 text file, 2 binary file
    std::vector<VersionSpec> versions;
    bool noClientPath = false;
};

struct ProjectSpec {
    const char* name;
    std::vector<std::pair<const char*, int>> states;            // name, order
    std::vector<std::pair<const char*, const char*>> packages;  // name, state
};

// The hand-made items, in load order.
const std::vector<ItemSpec>& CoreItems();
// The projects, their states and packages.
const std::vector<ProjectSpec>& Projects();

inline constexpr const char* kUsers[] = {"demo", "alice", "bob", "carol", "dave"};

}  // namespace qv::tools::demo
