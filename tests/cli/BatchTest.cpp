// The batch program's host and settings: messages as one line without the password, and the
// user's settings read but never written.
#include <gtest/gtest.h>

#include <string>

#include "app/Paths.h"
#include "app/Settings.h"
#include "cli/Batch.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"

namespace {

TEST(CliBatchHost, MessagesBecomeOneMaskedLine) {
    const struct {
        std::string secret, text, line;
    } cases[] = {
        {"", "Target Package is required.", "Target Package is required."},
        {"",
         "CPM Analysis Error: R tagged item found in Source item list\n\nlocked.cpp\n\nCPM "
         "Analysis cannot continue until this item is corrected.",
         "CPM Analysis Error: R tagged item found in Source item list - locked.cpp - CPM "
         "Analysis cannot continue until this item is corrected."},
        {"", "Error: Incorrect Login\r\n\r\nCheck if SingleWorkStation is set.\n",
         "Error: Incorrect Login - Check if SingleWorkStation is set."},
        {"Tq7-pw", "ksql -pw Tq7-pw failed; Tq7-pwTq7-pw",
         "ksql -pw ********** failed; ********************"},
        {"ab", "about a cab", "about a cab"},  // too short to mask without garbling words
    };
    for (const auto& c : cases) {
        qv::cli::BatchHost host;
        std::string said;
        host.onMessage = [&](const std::string& line) { said = line; };
        host.secret = c.secret;
        host.MessageBox(qv::MsgKind::Warning, c.text);
        EXPECT_EQ(said, c.line);
        EXPECT_EQ(host.failures, 1);
    }
    qv::cli::BatchHost host;
    EXPECT_EQ(host.MessageBox(qv::MsgKind::Question, "Continue?"), qv::MsgResult::No);
}

TEST(CliBatchSettings, OnlyTemplatesAndLayoutAreTakenAndNothingIsWritten) {
    qvtest::TempDir home;
    qvtest::ScopedEnv config("XDG_CONFIG_HOME", home / "config");
    const struct {
        bool userHasSettings;
        std::string ksqlFmt, broker;
        int columns;
    } cases[] = {
        {false, qv::kDefaultKsqlFmt, "", 0},
        {true, "myksql -b %s -usr %s -pw %s -t -f %s -o %s", "", 14},
    };
    for (const auto& c : cases) {
        qv::SwitchToRegistry(qv::kCompanyKey);
        const std::string file = qv::SettingsFilePath();
        std::remove(file.c_str());
        if (c.userHasSettings) {
            qv::SettingsBatch user;
            user.WriteText("Settings", "KsqlFmt", c.ksqlFmt);
            user.WriteText("Settings", "Broker", "usersbroker");
            user.WriteText("Settings", "TgtPackage", "EU0003");
            user.WriteInt("TopList", "ColumnCount", 14);
            ASSERT_TRUE(user.Commit());
        }
        const std::string before = qvtest::ReadFile(file);

        qv::cli::UseIsolatedSettings();
        qv::MainWindowValues values;
        qv::LoadSettings(values, qv::AppValues{});
        EXPECT_EQ(values.KsqlFmt, c.ksqlFmt);
        EXPECT_EQ(values.Broker, c.broker);
        EXPECT_EQ(values.TgtPackage, "");
        EXPECT_EQ(qv::ReadSettingInt("TopList", "ColumnCount", 0), c.columns);
        EXPECT_TRUE(qv::SaveSettings(values, {175, 250}));
        EXPECT_EQ(qvtest::ReadFile(file), before);
        EXPECT_EQ(qvtest::FileExists(file), c.userHasSettings);
    }
    qv::SwitchToProfile();
}

}  // namespace
