#include <gtest/gtest.h>

#include "tests/support/TempEnv.h"
#include "tools/common/Credentials.h"
#include "tools/common/Schema.h"

namespace {

using namespace qv::tools;

TEST(CredentialsTest, HashesAreSaltedAndCheckOnlyTheirPassword) {
    std::string a, b;
    ASSERT_TRUE(HashPassword("demo", a));
    ASSERT_TRUE(HashPassword("demo", b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.find("demo"), std::string::npos);
    struct Case {
        std::string hash, password;
        bool ok;
    } const cases[] = {
        {a, "demo", true},
        {b, "demo", true},
        {a, "Demo", false},
        {a, "demo ", false},
        {a, "", false},
        {a.substr(0, a.size() - 1), "demo", false},
        {"", "demo", false},
        {"demo", "demo", false},
        {std::string(500, '$'), "demo", false},
        {a + std::string(1, '\0'), "demo", false},
    };
    for (const Case& c : cases) EXPECT_EQ(VerifyPassword(c.hash, c.password), c.ok) << c.hash;
}

TEST(CredentialsTest, LoginsAgainstARepository) {
    qvtest::TempDir dir;
    Db db;
    std::string error;
    ASSERT_TRUE(db.Open(dir / "r.db", Db::Mode::Create, error)) << error;
    ASSERT_TRUE(CreateSchema(db, true, error)) << error;
    ASSERT_TRUE(SetUserPassword(db, "ann", "first", error)) << error;
    ASSERT_TRUE(SetUserPassword(db, "ann", "second", error)) << error;
    ASSERT_TRUE(SetUserPassword(db, "bob", "pw with blanks", error)) << error;
    EXPECT_FALSE(SetUserPassword(db, "carl", "", error));
    EXPECT_FALSE(SetUserPassword(db, "", "x", error));
    EXPECT_FALSE(SetUserPassword(db, "bad\nname", "x", error));
    struct Case {
        std::string user, password;
        LoginResult result;
    } const cases[] = {
        {"ann", "second", LoginResult::Accepted},
        {"ann", "first", LoginResult::Refused},
        {"bob", "pw with blanks", LoginResult::Accepted},
        {"bob", "pw", LoginResult::Refused},
        {"carl", "", LoginResult::Refused},
        {"nobody", "second", LoginResult::Refused},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckLogin(db, c.user, c.password, error), c.result) << c.user;
    Stmt users = db.Prepare("SELECT COUNT(*) FROM KESALLUSERS", error);
    ASSERT_EQ(users.Step(), SQLITE_ROW);
    EXPECT_EQ(users.Int(0), 2);  // ann once, bob
}

}  // namespace
