// The batch program's host: messages as one line without the password.
#include <gtest/gtest.h>

#include <string>

#include "cli/Batch.h"

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

}  // namespace
