#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/Records.h"

namespace qv {
namespace {

// Every field of a target record, in record order.
const std::vector<std::string CTFObj::*> kTargetFields = {
    &CTFObj::itemName,        &CTFObj::pathFullName,    &CTFObj::mappedVersion,
    &CTFObj::itemType,        &CTFObj::versionStatus,   &CTFObj::itemObjId,
    &CTFObj::versionObjId,    &CTFObj::packageObjId,    &CTFObj::parentVersionId,
    &CTFObj::mergedVersionId, &CTFObj::inBranch,        &CTFObj::ancestorVersionId,
    &CTFObj::refactor,        &CTFObj::refactorBy,      &CTFObj::creator,
    &CTFObj::creationTime,    &CTFObj::modifier,        &CTFObj::modifiedTime,
    &CTFObj::clientMachine,   &CTFObj::clientPath,      &CTFObj::dataSize,
    &CTFObj::refCounter,      &CTFObj::compDataSize,    &CTFObj::fileAccess,
    &CTFObj::textFile,        &CTFObj::isDataInChunks,  &CTFObj::packageName,
    &CTFObj::stateName,       &CTFObj::environmentName, &CTFObj::result,
};

const std::vector<std::string CFObj::*> kSourceFields = {
    &CFObj::itemName,      &CFObj::pathFullName, &CFObj::mappedVersion, &CFObj::itemType,
    &CFObj::versionStatus, &CFObj::packageName,  &CFObj::dataSize,      &CFObj::creator,
    &CFObj::creationTime,  &CFObj::modifier,     &CFObj::modifiedTime,  &CFObj::itemObjId,
    &CFObj::result,        &CFObj::reason,
};

CTFObj DistinctTarget(const std::string& tag) {
    CTFObj t;
    for (size_t i = 0; i < kTargetFields.size(); ++i)
        t.*kTargetFields[i] = tag + "-" + std::to_string(i);
    return t;
}

CFObj DistinctSource(const std::string& tag) {
    CFObj s;
    for (size_t i = 0; i < kSourceFields.size(); ++i)
        s.*kSourceFields[i] = tag + "-" + std::to_string(i);
    return s;
}

template <class Map>
std::vector<std::pair<std::string, typename Map::Record>> Walk(const Map& map) {
    std::vector<std::pair<std::string, typename Map::Record>> out;
    auto pos = map.GetStartPosition();
    while (pos) {
        std::string key;
        typename Map::Record r;
        map.GetNextAssoc(pos, key, r);
        out.emplace_back(key, r);
    }
    return out;
}

TEST(Records, OnlyExactlyOneCountsAsSelected) {
    const struct {
        const char* selected;
        bool expected;
    } cases[] = {
        {"1", true},   {"", false},     {"1 ", false}, {" 1", false},
        {"01", false}, {"true", false}, {"0", false},  {"11", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ((CPkgObj{"Payroll", c.selected}.IsSelected()), c.expected)
            << '"' << c.selected << '"';
}

// The field tables name every field once (each field keeps the text written to it), and every
// field survives a lookup and a walk.
TEST(Records, EveryFieldSurvivesLookupAndIteration) {
    static_assert(sizeof(CTFObj) == 30 * sizeof(std::string));
    static_assert(sizeof(CFObj) == 14 * sizeof(std::string));
    CMapStrToTFObj map;
    EXPECT_EQ(map.SetAt("42", DistinctTarget("t")), 1);
    CTFObj viaLookup;
    ASSERT_EQ(map.Lookup("42", viaLookup), 1);
    const auto walked = Walk(map);
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].first, "42");
    for (size_t i = 0; i < kTargetFields.size(); ++i) {
        EXPECT_EQ(viaLookup.*kTargetFields[i], "t-" + std::to_string(i));
        EXPECT_EQ(walked[0].second.*kTargetFields[i], "t-" + std::to_string(i));
    }
    EXPECT_EQ(viaLookup.parentVersionId, "t-8");
    const CFObj source = DistinctSource("s");
    for (size_t i = 0; i < kSourceFields.size(); ++i)
        EXPECT_EQ(source.*kSourceFields[i], "s-" + std::to_string(i));
}

// SetAt replaces the record under a present key; AddIfAbsent keeps it.
TEST(Records, StoringUnderAPresentKey) {
    CMapStrToFObj map;
    EXPECT_EQ(map.AddIfAbsent("5", DistinctSource("first")), 1);
    EXPECT_EQ(map.AddIfAbsent("5", DistinctSource("second")), 0);
    map.SetAt("8", DistinctSource("other"));
    CFObj r;
    ASSERT_EQ(map.Lookup("5", r), 1);
    EXPECT_EQ(r, DistinctSource("first"));
    EXPECT_EQ(map.SetAt("5", DistinctSource("new")), 1);
    EXPECT_EQ(map.GetCount(), 2);
    ASSERT_EQ(map.Lookup("5", r), 1);
    EXPECT_EQ(r, DistinctSource("new"));
}

TEST(Records, LookupOfAnAbsentKeyLeavesTheCallersRecordAlone) {
    CMapStrToFObj map;
    map.SetAt("007", DistinctSource("stored"));
    // Keys are exact: neither another spelling of the number nor another letter case matches.
    for (const char* key : {"7", "", "007 ", "0007"}) {
        CFObj mine = DistinctSource("mine");
        EXPECT_EQ(map.Lookup(key, mine), 0) << key;
        EXPECT_EQ(mine, DistinctSource("mine")) << key;
    }
    CMapStrToPkgObj packages;
    packages.SetAt("a", {"A", "1"});
    CPkgObj p{"keep", "x"};
    EXPECT_EQ(packages.Lookup("A", p), 0);
    EXPECT_EQ(p, (CPkgObj{"keep", "x"}));
}

TEST(Records, RecordsHandedOutAreCopies) {
    CMapStrToPkgObj map;
    map.SetAt("0", {"Payroll", ""});
    CPkgObj p;
    map.Lookup("0", p);
    p.selected = "1";
    CPkgObj again;
    map.Lookup("0", again);
    EXPECT_EQ(again.selected, "");
    // Re-storing under the same key is how a record is changed.
    map.SetAt("0", p);
    map.Lookup("0", again);
    EXPECT_TRUE(again.IsSelected());
}

TEST(Records, EmptyMapHasNoCountAndANullStart) {
    CMapStrToTFObj map;
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_TRUE(map.GetStartPosition().IsNull());
    map.SetAt("x", {});
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_FALSE(map.GetStartPosition());
}

// Iteration follows the order in which keys were first stored, so that a load from the
// repository (row-number keys) and one from the target data file (item-id keys) meet the records
// in the same order.
TEST(Records, IterationFollowsTheOrderOfFirstStoring) {
    auto keys = [](const CMapStrToFObj& m) {
        std::vector<std::string> out;
        for (const auto& [k, r] : Walk(m)) out.push_back(k + "=" + r.itemName);
        return out;
    };
    auto rec = [](const std::string& name) {
        CFObj r;
        r.itemName = name;
        return r;
    };
    CMapStrToFObj map;
    for (const char* k : {"9", "10", "1", "zz", "a"}) map.SetAt(k, rec(std::string("v") + k));
    EXPECT_EQ(keys(map), (std::vector<std::string>{"9=v9", "10=v10", "1=v1", "zz=vzz", "a=va"}));

    map.SetAt("10", rec("new"));                    // a replacement keeps its place
    EXPECT_EQ(map.AddIfAbsent("1", rec("no")), 0);  // a refused addition changes nothing
    map.RemoveKey("9");
    map.SetAt("9", rec("back"));  // removed and stored again: at the end
    EXPECT_EQ(map.AddIfAbsent("b", rec("vb")), 1);
    const std::vector<std::string> expected{"10=new", "1=v1", "zz=vzz", "a=va", "9=back", "b=vb"};
    EXPECT_EQ(keys(map), expected);

    CMapStrToFObj copy(map);
    EXPECT_EQ(keys(copy), expected);
    CFObj found;
    ASSERT_EQ(copy.Lookup("zz", found), 1);  // the copy's index is its own
    map.RemoveAll();
    EXPECT_EQ(found.itemName, "vzz");
    EXPECT_EQ(copy.RemoveKey("a"), 1);
    EXPECT_EQ(copy.GetCount(), 5);
}

TEST(Records, APositionTakenBeforeAChangeReadsAsNull) {
    CMapStrToFObj map;
    for (int i = 0; i < 100; ++i) map.SetAt(std::to_string(i), DistinctSource("s"));
    auto pos = map.GetStartPosition();
    std::string key = "untouched";
    CFObj r;
    map.GetNextAssoc(pos, key, r);
    ASSERT_TRUE(pos);
    for (int i = 100; i < 1000; ++i) map.SetAt(std::to_string(i), DistinctSource("t"));
    key = "untouched";
#ifdef NDEBUG
    // A release build ends the walk without touching freed storage.
    map.GetNextAssoc(pos, key, r);
    EXPECT_TRUE(pos.IsNull());
    EXPECT_EQ(key, "untouched");
#else
    // A debug build stops at the loop that changed the map it walks.
    EXPECT_DEATH(map.GetNextAssoc(pos, key, r), "the map changed while it was walked");
    pos = {};
#endif
    // A null position is harmless too.
    map.GetNextAssoc(pos, key, r);
    EXPECT_EQ(key, "untouched");
    // And so is a position of another map.
    CMapStrToFObj other;
    other.SetAt("k", DistinctSource("o"));
    auto foreign = other.GetStartPosition();
    map.GetNextAssoc(foreign, key, r);
    EXPECT_EQ(key, "untouched");
}

}  // namespace
}  // namespace qv
