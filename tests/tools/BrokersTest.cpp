#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"
#include "tools/common/Brokers.h"
#include "tools/common/Repository.h"

namespace {

namespace fs = std::filesystem;
using namespace qv::tools;

const char* const kIni =
    "; brokers of the team\n"
    "[demo]\n"
    "repository = sqlite:/data/demo.db\n"
    "\n"
    "[ Prod ]\n"
    "# the big one\n"
    "  repository=sqlite:/data/prod.db  \n"
    "[empty]\n"
    "[other]\n"
    "owner = somebody\n"
    "repository = postgresql://db.example/tessark\n";

TEST(BrokersTest, LookupFindsTheSectionIgnoringLetterCase) {
    struct Case {
        std::string broker;
        bool found;
        std::string locator;
    } const cases[] = {
        {"demo", true, "sqlite:/data/demo.db"},
        {"DEMO", true, "sqlite:/data/demo.db"},
        {"prod", true, "sqlite:/data/prod.db"},
        {"other", true, "postgresql://db.example/tessark"},
        {"empty", false, ""},
        {"missing", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        std::string locator;
        EXPECT_EQ(LookupBrokerLocator(kIni, c.broker, locator), c.found) << c.broker;
        if (c.found) {
            EXPECT_EQ(locator, c.locator) << c.broker;
        }
    }
}

TEST(BrokersTest, SettingALocatorKeepsEverythingElse) {
    struct Case {
        std::string broker, locator;
    } const cases[] = {
        {"demo", "sqlite:/new/demo.db"},  // replaced in place
        {"empty", "sqlite:/e.db"},        // added to an existing section
        {"fresh", "sqlite:/f.db"},        // a new section
    };
    for (const Case& c : cases) {
        std::string text = SetBrokerLocator(kIni, c.broker, c.locator);
        std::string locator;
        ASSERT_TRUE(LookupBrokerLocator(text, c.broker, locator)) << text;
        EXPECT_EQ(locator, c.locator);
        for (const char* other : {"demo", "prod", "other"}) {
            if (c.broker == other) continue;
            std::string before, after;
            LookupBrokerLocator(kIni, other, before);
            LookupBrokerLocator(text, other, after);
            EXPECT_EQ(before, after) << other;
        }
        EXPECT_NE(text.find("; brokers of the team"), std::string::npos);
        EXPECT_NE(text.find("owner = somebody"), std::string::npos);
    }
    EXPECT_EQ(SetBrokerLocator("", "a", "sqlite:/a.db"), "[a]\nrepository = sqlite:/a.db\n");
}

TEST(BrokersTest, Locators) {
    struct Case {
        std::string locator;
        bool ok;
        std::string pathOrError;
    } const cases[] = {
        {"sqlite:/data/demo.db", true, "/data/demo.db"},
        {"sqlite:/dir with blanks/x.db", true, "/dir with blanks/x.db"},
        {"sqlite:demo.db", false, "absolute"},
        {"sqlite:", false, "absolute"},
        {"postgresql://host/db", true, "postgresql://host/db"},
        {"postgresql:host=db dbname=tessark", true, "host=db dbname=tessark"},
        {"postgresql: ", false, "empty"},
        {"/data/demo.db", false, "unknown repository locator"},
        {"", false, "unknown repository locator"},
        {"sqlite:/a.db\n[b]\nrepository = sqlite:/b.db", false, "line break"},
    };
    for (const Case& c : cases) {
        qv::tools::Locator parsed;
        std::string error;
        EXPECT_EQ(ParseLocator(c.locator, parsed, error), c.ok) << c.locator;
        EXPECT_NE((c.ok ? parsed.target : error).find(c.pathOrError), std::string::npos)
            << c.locator;
    }
}

TEST(BrokersTest, TheBrokersFileComesFromTheEnvironmentOrTheConfigurationDirectory) {
    qvtest::TempDir dir;
    const std::string savedXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    unsetenv("TESSARK_BROKERS");
    EXPECT_EQ(BrokersFilePath(), dir / "cfg/tessark/brokers.ini");

    std::string error;
    qv::tools::Locator path;
    EXPECT_FALSE(ResolveBroker("demo", path, error));
    EXPECT_NE(error.find("Unknown broker"), std::string::npos);
    ASSERT_TRUE(RegisterBroker("demo", "sqlite:/from/config.db", error)) << error;
    ASSERT_TRUE(ResolveBroker("Demo", path, error)) << error;
    EXPECT_EQ(path.target, "/from/config.db");

    qvtest::WriteFile(dir / "override.ini", "[demo]\nrepository = sqlite:/from/env.db\n");
    setenv("TESSARK_BROKERS", (dir / "override.ini").c_str(), 1);
    ASSERT_TRUE(ResolveBroker("demo", path, error)) << error;
    EXPECT_EQ(path.target, "/from/env.db");

    unsetenv("XDG_CONFIG_HOME");
    unsetenv("TESSARK_BROKERS");
    setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(BrokersFilePath(), dir / "home/.config/tessark/brokers.ini");
    setenv("HOME", qvtest::TestHome().c_str(), 1);
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
}

TEST(BrokersTest, RegisteringRewritesTheFileWhole) {
    qvtest::TempDir dir;
    setenv("TESSARK_BROKERS", (dir / "sub/brokers.ini").c_str(), 1);
    std::string error;
    ASSERT_TRUE(RegisterBroker("one", "sqlite:/1.db", error)) << error;
    ASSERT_TRUE(RegisterBroker("two", "sqlite:/2.db", error)) << error;
    ASSERT_TRUE(RegisterBroker("ONE", "sqlite:/1b.db", error)) << error;
    EXPECT_EQ(qvtest::ReadFile(dir / "sub/brokers.ini"),
              "[one]\nrepository = sqlite:/1b.db\n\n[two]\nrepository = sqlite:/2.db\n");
    for (const char* bad : {"", " x", "a]b", "a\nb"})
        EXPECT_FALSE(RegisterBroker(bad, "sqlite:/x.db", error)) << bad;
    EXPECT_FALSE(RegisterBroker("rel", "sqlite:rel.db", error));
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir / "sub")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u);  // no temporary file left behind

    // krepo registers a plain path as an absolute sqlite locator.
    qvtest::ToolResult r = qvtest::RunTool("krepo", {"broker", "three", dir / "three.db"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    qv::tools::Locator path;
    ASSERT_TRUE(ResolveBroker("three", path, error)) << error;
    EXPECT_EQ(path.target, dir / "three.db");
    // A server locator is registered without its user and password: each user's tools connect
    // as the user's own role.
    struct Case {
        std::string given, registered;
    } const cases[] = {
        {"postgresql:host=/run/pg dbname=tk", "dbname='tk' host='/run/pg'"},
        {"postgresql://h/tk", "dbname='tk' host='h'"},
        {"postgres://owner:secret@h/tk?sslmode=require", "dbname='tk' host='h' sslmode='require'"},
        {"postgresql:dbname=it\\'s user=owner password=pw", "dbname='it\\'s'"},
        {"postgresql:host=h", "host=h"},
    };
    for (const Case& c : cases) {
        r = qvtest::RunTool("krepo", {"broker", "four", c.given});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        ASSERT_TRUE(ResolveBroker("four", path, error)) << error;
        EXPECT_EQ(path.kind, qv::tools::Locator::Kind::Postgres);
        EXPECT_EQ(path.target, c.registered);
    }
    unsetenv("TESSARK_BROKERS");
}

}  // namespace
