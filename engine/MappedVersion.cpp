#include "engine/MappedVersion.h"

#include <cctype>
#include <climits>
#include <string_view>

#include "app/Trace.h"
#include "host/Host.h"
#include "scm/Sql.h"

namespace qv {

namespace {

// Child versions of a version within a view: parent version, view.
constexpr char kChildVersionsStatement[] =
    "SELECT V.MAPPEDVERSION FROM   KESVERSIONS V WHERE  V.PARENTVERSIONID = %d AND    "
    "V.MAPPEDVERSION != '0' AND EXISTS (      SELECT VV.VERSIONOBJID      FROM "
    "KESVERSIONINVIEW VV      WHERE VV.VIEWOBJID = %d      AND   V.VERSIONOBJID = "
    "VV.VERSIONOBJID ) ";

// Newest first version of a branch of an item within a view: column, value, view.
constexpr char kLatestBranchStatement[] =
    "SELECT MAPPEDVERSION FROM   KESVERSIONS WHERE  VERSIONOBJID = (SELECT MAX( "
    "V.VERSIONOBJID ) FROM   KESVERSIONS V, KESVIEW W, KESPACKAGE P WHERE  V.%s = %d AND    "
    "V.INBRANCH != 0 AND    V.PACKAGEOBJID = P.PACKAGEOBJID AND    P.ENVOBJID = W.ENVOBJID "
    "AND    W.VIEWOBJID = %d AND    V.MAPPEDVERSION LIKE '%%.%%.1' )";

// The view of a project state: project, state. A state without a view gives an empty value.
constexpr char kTargetViewStatement[] =
    "SELECT MIN(W.VIEWOBJID) FROM KESVIEW W, KESSTATE S, KESENVIRONMENT E WHERE "
    "W.STATEOBJID = S.STATEOBJID AND S.ENVOBJID = E.ENVOBJID AND E.ENVIRONMENTNAME = '%s' AND "
    "S.STATENAME = '%s'";

// The longest result text.
constexpr size_t kMaxResultChars = 63;

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

bool BeginsWithX(const std::string& text) {
    return !text.empty() && text[0] == 'x';
}

// A number as the result texts show it; long long, so that num()+1 never overflows.
std::string Dec(long long n) {
    return std::to_string(n);
}

MappedVersion Result(std::string text, MappedRule rule) {
    return {MappedStatus::Result, std::move(text), rule};
}

MappedVersion NoResult(MappedRule rule) {
    return {MappedStatus::NoResult, {}, rule};
}

MappedVersion Abandon() {
    return {MappedStatus::Abandoned, {}};
}

}  // namespace

int Num(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Beyond the range of int the value stays at its limit.
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

VersionParts SplitVersion(const std::string& text) {
    VersionParts parts;
    const size_t first = text.find('.');
    if (first == std::string::npos) {
        parts.c1 = text;
        parts.count = 1;
        return parts;
    }
    parts.c1 = text.substr(0, first);
    const std::string rest = text.substr(first + 1);
    const size_t second = rest.find('.');
    if (second == std::string::npos) {
        parts.count = 1;
        return parts;
    }
    parts.c2 = rest.substr(0, second);
    parts.count = 2;
    const std::string remainder = rest.substr(second + 1);
    if (!remainder.empty()) {
        parts.c3 = remainder;
        parts.count = 3;
    }
    return parts;
}

void MappedVersionCalculator::SetTargetContext(const std::string& project,
                                               const std::string& state) {
    targetProject_ = project;
    targetState_ = state;
    viewKnown_ = false;
    view_ = 0;
    ForgetAnswersAskedAhead();
}

void MappedVersionCalculator::ForgetAnswersAskedAhead() {
    branchesByItem_.reset();
    branchesByParent_.reset();
    children_.reset();
}

int MappedVersionCalculator::AskAhead(Repository& repository,
                                      const std::vector<const CTFObj*>& targets, bool onBranch) {
    ForgetAnswersAskedAhead();
    int statements = 0;
    // Tables are kept only when their statement ran and left a result that reads as a whole.
    auto ask = [&](const std::string& statement, bool singleValue) {
        ++statements;
        std::optional<std::map<std::string, BulkTable>> tables;
        if (repository.Run(statement) == kKsqlOk)
            tables = ReadBulkTables(repository.Lines(kBulkReadSize), singleValue);
        if (!tables) WriteTrace("CPM Queries: no usable answer; the rows ask one statement each");
        return tables;
    };
    auto take = [](std::map<std::string, BulkTable>& tables, const char* kind) {
        return std::optional<BulkTable>(std::move(tables[kind]));
    };
    if (!onBranch) {
        // Only the trunk placement checks child versions, and only of a parent version.
        bool anyParent = false;
        for (const CTFObj* t : targets) anyParent = anyParent || Num(t->parentVersionId) != 0;
        if (!anyParent) return statements;
        if (auto tables = ask(ChildVersionsStatement(), false))
            children_ = take(*tables, kChildren);
        return statements;
    }
    // A branch placement asks for branches only of items whose latest version is on the trunk.
    bool anyByItem = false, anyByParent = false;
    for (const CTFObj* t : targets) {
        if (Contains(t->mappedVersion, ".")) continue;
        (Num(t->itemObjId) != 0 ? anyByItem : anyByParent) = true;
    }
    if (!anyByItem && !anyByParent) return statements;
    if (!viewKnown_) {
        ++statements;
        if (repository.Run(FormatStatement(kTargetViewStatement, {targetProject_, targetState_})) !=
            kKsqlOk)
            return statements;
        const std::optional<int> view = ReadViewNumber(repository.Lines(kResultReadSize));
        // An error or an empty file is shown, and asked again, by each item's own lookup.
        if (!view) return statements;
        view_ = *view;
        viewKnown_ = true;
    }
    if (auto tables = ask(LatestBranchesStatement(anyByItem, anyByParent, view_), true)) {
        if (anyByItem) branchesByItem_ = take(*tables, kByItem);
        if (anyByParent) branchesByParent_ = take(*tables, kByParent);
    }
    return statements;
}

MappedVersionCalculator::ChildCheck MappedVersionCalculator::CheckChildren(int P,
                                                                           MappedFacts* facts) {
    std::vector<std::string> values;
    if (facts) facts->childCheckOf = P;
    if (const std::vector<std::string>* known = children_ ? children_->Find(P) : nullptr) {
        values = *known;
    } else {
        const int run = repository_.Run(FormatStatement(kChildVersionsStatement, {P, P}));
        if (run == kKsqlStatementUnwritten) return ChildCheck::Abandon;
        if (run != kKsqlOk) return ChildCheck::Pass;
        values = repository_.Values();
    }
    if (facts) {
        facts->childCheckAnswered = true;
        facts->children = values;
    }
    if (values.empty()) return ChildCheck::Pass;
    if (values.size() == 1) {
        // Only a first version on a branch may stand alone among the children.
        const std::string& v = values[0];
        const size_t dot = v.rfind('.');
        return dot != std::string::npos && v.compare(dot + 1, std::string::npos, "1") == 0
                   ? ChildCheck::Pass
                   : ChildCheck::Fail;
    }
    for (const std::string& v : values)
        if (!Contains(v, ".")) return ChildCheck::Fail;
    return ChildCheck::Pass;
}

bool MappedVersionCalculator::CheckChildVersions(int P) {
    return CheckChildren(P) != ChildCheck::Fail;
}

MappedVersionCalculator::ViewLookup MappedVersionCalculator::TargetView() {
    if (viewKnown_) return ViewLookup::Known;
    const int run =
        repository_.Run(FormatStatement(kTargetViewStatement, {targetProject_, targetState_}));
    if (run == kKsqlStatementUnwritten) return ViewLookup::Abandon;
    if (run != kKsqlOk) return ViewLookup::Failed;
    const FirstValue first = repository_.First();
    if (Contains(first.value, kKsqlErrorMarker)) {
        lookupError_ = first.value;
        return ViewLookup::Error;
    }
    // An unreadable result file (already reported by the reader) says nothing about the view:
    // this item searches without one, and the next branch statement asks again.
    if (!first.found && first.value.empty() && !repository_.Lines(kResultReadSize).readable) {
        view_ = 0;
        return ViewLookup::Known;
    }
    // The zero-results line and an empty value (no view) read as 0: no branch is found.
    view_ = Num(first.value);
    viewKnown_ = true;
    return ViewLookup::Known;
}

std::optional<std::string> MappedVersionCalculator::LatestBranch(bool byItem, int key, int& run) {
    const std::optional<BulkTable>& table = byItem ? branchesByItem_ : branchesByParent_;
    if (const std::vector<std::string>* known = table ? table->Find(key) : nullptr) {
        run = kKsqlOk;
        // No row: the per-item statement's result is the zero-results line.
        return known->empty() ? std::string(kKsqlZeroResults) : known->front();
    }
    run = repository_.Run(FormatStatement(kLatestBranchStatement,
                                          {byItem ? "ITEMOBJID" : "PARENTVERSIONID", key, view_}));
    if (run == kKsqlStatementUnwritten) return std::nullopt;
    if (run != kKsqlOk) return std::string();
    return repository_.First().value;
}

MappedVersion MappedVersionCalculator::ReportError(const std::string& line, MappedRule rule) {
    WriteTrace("CalculateMappedVersion: Target Item Result=%s", line.c_str());
    host_.MessageBox(MsgKind::Plain, line);
    return NoResult(rule);
}

MappedVersion MappedVersionCalculator::Calculate(int P, const std::string& T, bool onBranch, int Vn,
                                                 int I) {
    MappedFacts facts;
    MappedVersion mapped = Compute(P, T, onBranch, Vn, I, facts);
    if (mapped.status == MappedStatus::Result && mapped.text.size() > kMaxResultChars) {
        // A version text this long is not a repository's; a shortened one would be a wrong
        // prediction, so there is none.
        WriteTrace("CalculateMappedVersion: Result too long: %s", mapped.text.c_str());
        mapped = NoResult(MappedRule::TooLong);
    }
    mapped.facts = std::move(facts);
    return mapped;
}

MappedVersion MappedVersionCalculator::Compute(int P, const std::string& T, bool onBranch, int Vn,
                                               int I, MappedFacts& facts) {
    // 1. On the trunk, a parent version whose other children stand in the way gives nothing.
    if (!onBranch && P != 0) {
        const ChildCheck check = CheckChildren(P, &facts);
        if (check == ChildCheck::Abandon) return Abandon();
        if (check == ChildCheck::Fail) return NoResult(MappedRule::ChildVersionsInTheWay);
    }
    const long long n = Num(T);

    // 2. The target's latest version is on a branch.
    if (Contains(T, ".")) {
        if (!BeginsWithX(T)) return Result(T + " (U)", MappedRule::UnmergedBranch);
        if (!onBranch) return Result("0", MappedRule::XOnTrunk);
        const VersionParts parts = SplitVersion(T);
        const long long branch = static_cast<long long>(Num(parts.c2)) + 1;
        if (parts.c1 == "x")
            return Result("x." + Dec(branch) + "." + Dec(Num(parts.c3)), MappedRule::NextXBranch);
        return Result("x" + Dec(Num(parts.c1)) + "." + Dec(branch) + "." + Dec(Num(parts.c3)),
                      MappedRule::NextXBranch);
    }

    // 3. A trunk version, placed on the trunk.
    if (!onBranch) {
        if (BeginsWithX(T)) return Result("0", MappedRule::XOnTrunk);
        if (n != 0) return Result(Dec(n + 1) + " (M)", MappedRule::NextTrunk);
        return Result(Dec(n) + " (T)", MappedRule::ZeroTrunk);
    }

    // 4. A trunk version, placed on a branch: the newest first version of one of its branches.
    facts.branchColumn = I != 0 ? "ITEMOBJID" : "PARENTVERSIONID";
    facts.branchKey = I != 0 ? I : Vn;
    const ViewLookup lookup = TargetView();
    if (lookup == ViewLookup::Abandon) return Abandon();
    if (lookup == ViewLookup::Error) {
        facts.errorLine = lookupError_;
        return ReportError(lookupError_, MappedRule::ViewError);
    }
    // A failed run of the tool, for the view or for the branches, gives a first branch.
    if (lookup == ViewLookup::Failed) return Result("x" + Dec(n) + ".1.1", MappedRule::ToolFailed);
    facts.view = view_;
    int run = kKsqlOk;
    const std::optional<std::string> latest = LatestBranch(I != 0, I != 0 ? I : Vn, run);
    if (!latest) return Abandon();
    if (run != kKsqlOk) return Result("x" + Dec(n) + ".1.1", MappedRule::ToolFailed);
    const std::string& R = *latest;
    facts.branchAnswered = true;
    facts.branchAnswer = R;
    if (Contains(R, kKsqlErrorMarker)) {
        facts.errorLine = R;
        return ReportError(R, MappedRule::BranchError);
    }

    // A value without two dots cannot be a first branch version: it counts as no row.
    const size_t first = R.find('.');
    const size_t second = first == std::string::npos ? first : R.find('.', first + 1);
    if (R.empty() || R == kKsqlZeroResults || second == std::string::npos) {
        if (T.empty()) return Result("x.1.1", MappedRule::NewFirstBranch);
        if (n != 0) return Result(Dec(n) + ".1.1", MappedRule::FirstBranch);
        return Result(Dec(n) + " (T)", MappedRule::ZeroNoBranch);
    }
    const long long branch =
        static_cast<long long>(Num(R.substr(first + 1, second - first - 1))) + 1;
    if (BeginsWithX(R)) return Result("x." + Dec(branch) + ".1", MappedRule::NextBranch);
    return Result(Dec(n) + "." + Dec(branch) + ".1", MappedRule::NextBranch);
}

}  // namespace qv
