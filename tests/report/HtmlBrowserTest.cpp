// The HTML report in a real browser: the filters, the search and the sorting that the address's
// fragment sets, checked in the page the browser has built (its DOM after the script ran).
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "report/Reports.h"
#include "tests/report/HtmlFixture.h"
#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace qv {
namespace {

constexpr char kBrowser[] = "/usr/bin/chromium";

// The DOM of `page` at `fragment` after its script ran, as the headless browser dumps it, with a
// fresh profile and no network of its own. The browser gets `seconds` before it is stopped.
std::string BrowserDom(const std::string& page, const std::string& fragment, int seconds = 90) {
    if (access(kBrowser, X_OK) != 0) {
        ADD_FAILURE() << kBrowser << " is missing: the browser tests need chromium (scripts/setup "
                      << "installs it).";
        return {};
    }
    qvtest::TempDir dir;
    const std::string file = dir / "report.html";
    EXPECT_TRUE(qvtest::WriteFile(file, page));
    const qvtest::ToolResult r = qvtest::RunProgram(
        "/usr/bin/timeout",
        {"-k", "5", std::to_string(seconds), kBrowser, "--headless", "--no-sandbox",
         "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--user-data-dir=" + (dir / "profile"),
         "--dump-dom", "file://" + file + fragment});
    EXPECT_EQ(r.exitCode, 0) << "the browser failed or timed out: " << r.err;
    return r.out;
}

// The file names of the result rows the page shows (not hidden), top to bottom, as the DOM
// writes them ("&lt;" for "<" and "&amp;" for "&").
std::vector<std::string> ShownFiles(const std::string& dom) {
    std::vector<std::string> files;
    const size_t table = dom.find("id=\"results\"");
    if (table == std::string::npos) return files;
    const size_t end = dom.find("</tbody>", table);
    for (size_t at = dom.find("<tr ", dom.find("<tbody>", table)); at < end;
         at = dom.find("<tr ", at + 1)) {
        const size_t close = dom.find('>', at);
        const std::string tag = dom.substr(at, close - at);
        if (tag.find(" hidden") != std::string::npos) continue;
        const size_t cell = dom.find("<td>", close) + 4;
        files.push_back(dom.substr(cell, dom.find("</td>", cell) - cell));
    }
    return files;
}

// True when the element with the id is hidden (or missing).
bool Hidden(const std::string& dom, const std::string& id) {
    const size_t at = dom.find("id=\"" + id + "\"");
    return at == std::string::npos ||
           dom.substr(at, dom.find('>', at) - at).find(" hidden") != std::string::npos;
}

TEST(HtmlBrowserTest, TheAddressSetsTheFiltersTheSearchAndTheOrder) {
    const std::string page = HtmlReport(qvtest::MixedResult(), qvtest::MixedContext(), nullptr);
    const std::string all[] = {"a&lt;b&gt;&amp;\"q'.cpp",
                               "tax.cpp",
                               "rate.cpp",
                               "fee.cpp",
                               "old.cpp",
                               "skip.cpp",
                               "here.cpp",
                               "none.cpp",
                               "taxrate.cpp"};
    struct Case {
        const char* fragment;
        std::vector<std::string> shown;
        bool notice = false;
    };
    const std::vector<Case> cases = {
        {"", {std::begin(all), std::end(all)}},
        {"#kind=unmerged", {"tax.cpp", "taxrate.cpp"}},
        {"#conflicts", {"tax.cpp", "fee.cpp", "old.cpp", "taxrate.cpp"}},
        {"#q=tax.cpp", {"tax.cpp"}},
        {"#q=ZEBRA&facts", {"rate.cpp"}},                 // found in a reason, in any case
        {"#q=%3Cb%3E%26", {"a&lt;b&gt;&amp;\"q'.cpp"}},   // characters that are escaped
        {"#q=src+unmerged", {"tax.cpp", "taxrate.cpp"}},  // every word
        {"#conflicts&kind=tag_exists", {"fee.cpp"}},
        {"#kind=mapped&q=tax", {}},
        {"#kind=bogus", {std::begin(all), std::end(all)}, true},
        {"#sort=version",
         {"here.cpp", "none.cpp", "skip.cpp", "a&lt;b&gt;&amp;\"q'.cpp", "old.cpp", "tax.cpp",
          "taxrate.cpp", "fee.cpp", "rate.cpp"}},
        {"#sort=-Version&conflicts", {"fee.cpp", "taxrate.cpp", "tax.cpp", "old.cpp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fragment);
        const std::string dom = BrowserDom(page, c.fragment);
        ASSERT_FALSE(dom.empty());
        EXPECT_EQ(ShownFiles(dom), c.shown);
        EXPECT_NE(dom.find(std::to_string(c.shown.size()) + " of 9 rows shown"), std::string::npos);
        EXPECT_EQ(Hidden(dom, "no-match"), !c.shown.empty());
        EXPECT_EQ(Hidden(dom, "notice"), !c.notice);
        EXPECT_TRUE(Hidden(dom, "more"));
        EXPECT_EQ(dom.find("class=\"rows with-facts\"") != std::string::npos,
                  std::string(c.fragment).find("facts") != std::string::npos);
    }
}

TEST(HtmlBrowserTest, FiftyThousandRowsAreSearchedSortedAndShownFromTheFirst) {
    ResultTable big;
    for (int r = 0; r < 50000; ++r)
        big.rows.push_back(qvtest::ShownRow("item" + std::to_string(r) + ".cpp", "3",
                                            r % 1000 == 7 ? "6 -> 2.1 (U)" : "3 -> 5.4.1"));
    const std::string page = HtmlReport(big, qvtest::MixedContext(), nullptr);
    // 11111 rows match; the first 2000 of them are shown, from item29999 down.
    const std::string dom = BrowserDom(page, "#q=item2&sort=-file", 240);
    std::vector<std::string> expected;
    for (int r = 29999; r >= 28000; --r) expected.push_back("item" + std::to_string(r) + ".cpp");
    EXPECT_EQ(ShownFiles(dom), expected);
    EXPECT_NE(dom.find("2000 of 50000 rows shown: the first of 11111 that match"),
              std::string::npos);
    EXPECT_FALSE(Hidden(dom, "more"));
}

}  // namespace
}  // namespace qv
