#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <string>

#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "host/headless/HeadlessHost.h"
#include "tests/support/TempEnv.h"
#include "ui/RegSettingsDlg.h"

namespace {

using namespace qv;

class RegSettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldConfig_ = getenv("XDG_CONFIG_HOME");
        setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
        SwitchToRegistry(kCompanyKey);
        values_.KsvFmt = "my ksv";
        values_.KcoFmt = "my kco \"%s\" -vp \\ ";
        values_.KsqlFmt = "my ksql";
        values_.SqlFmt = "my sql";
    }
    void TearDown() override {
        SwitchToProfile();
        setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    }
    std::string Stored(const char* key) {
        return ReadSettingText(kSectionSettings, key, "<absent>");
    }

    qvtest::TempDir home_;
    std::string oldConfig_;
    HeadlessHost host_;
    MainWindowValues values_;
};

TEST_F(RegSettingsDlgTest, TemplateHasTheControls) {
    const DialogTemplate t = CRegSettingsDlg::MakeTemplate();
    EXPECT_EQ(t.id, 132);
    EXPECT_EQ(t.title, "Registry Settings - Action templates used for operations in this program");
    const std::pair<int, const char*> edits[] = {{IDC_REG_PACKAGE, "Package:"},
                                                 {IDC_REG_KSVFMT, "KSV Fmt:"},
                                                 {IDC_REG_KCOFMT, "KCO Fmt:"},
                                                 {IDC_REG_SQLFMT, "SQL Fmt:"},
                                                 {IDC_REG_KSQLFMT, "KSQL Fmt:"}};
    for (const auto& [id, label] : edits) {
        const ControlTemplate* edit = t.Find(id);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->kind, ControlKind::Edit);
        // The label is a static text on the box's row, hidden with the package box.
        auto it = std::find_if(t.controls.begin(), t.controls.end(),
                               [&](const ControlTemplate& c) { return c.caption == label; });
        ASSERT_NE(it, t.controls.end());
        EXPECT_EQ(it->id, IDC_STATIC);
        EXPECT_TRUE(it->y >= edit->y && it->y < edit->y + edit->height) << label;
        EXPECT_EQ((it->style & kHidden) != 0, id == IDC_REG_PACKAGE) << label;
    }
    EXPECT_EQ(t.Find(IDC_REG_PACKAGE)->style, unsigned{kReadOnly | kHidden});
    EXPECT_EQ(t.Find(IDC_REG_DEFAULTS)->caption, "Reset to Defaults");
    EXPECT_EQ(t.Find(IDOK)->style, unsigned{kDefaultButton});
    EXPECT_NE(t.Find(IDCANCEL), nullptr);
}

TEST_F(RegSettingsDlgTest, OpensWithTheValuesAndFocusInKsv) {
    values_.CheckoutPackage = "PKG-7";
    host_.OnModal(IDD_REGSETTINGS, [](Dialog& d) {
        EXPECT_EQ(d.GetFocusId(), IDC_REG_KSVFMT);
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_PACKAGE), "PKG-7");
        EXPECT_FALSE(d.IsControlVisible(IDC_REG_PACKAGE));
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_KSVFMT), "my ksv");
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_KCOFMT), "my kco \"%s\" -vp \\ ");
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_SQLFMT), "my sql");
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_KSQLFMT), "my ksql");
        d.UserKeyEscape();
    });
    EXPECT_EQ(EditActionTemplates(host_, values_), IDCANCEL);
    EXPECT_EQ(host_.modalIds, std::vector<int>{IDD_REGSETTINGS});
}

TEST_F(RegSettingsDlgTest, ResetOffersTheFormsThatFitThePackage) {
    struct Row {
        std::string package;
        const char* ksv;
        const char* kco;
    } rows[] = {
        {"", kDefaultKsvFmt, kDefaultKcoFmt},
        {"PKG-7", kDefaultKsvFmtWithPackage, kDefaultKcoFmtWithPackage},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.package);
        values_.CheckoutPackage = r.package;
        host_.OnNextModal([&](Dialog& d) {
            d.UserFocus(IDC_REG_KSQLFMT);
            d.UserClick(IDC_REG_DEFAULTS);
            EXPECT_EQ(d.GetFocusId(), IDC_REG_KSVFMT);
            EXPECT_EQ(d.GetDlgItemText(IDC_REG_KSVFMT), r.ksv);
            EXPECT_EQ(d.GetDlgItemText(IDC_REG_KCOFMT), r.kco);
            EXPECT_EQ(d.GetDlgItemText(IDC_REG_SQLFMT), kDefaultSqlFmt);
            EXPECT_EQ(d.GetDlgItemText(IDC_REG_KSQLFMT), kDefaultKsqlFmt);
            EXPECT_FALSE(d.IsEnded());
            // Nothing is stored before OK.
            EXPECT_EQ(Stored("KsvFmt"), "<absent>");
            d.UserClick(IDOK);
        });
        EXPECT_EQ(EditActionTemplates(host_, values_), IDOK);
        EXPECT_EQ(values_.KsvFmt, r.ksv);
        EXPECT_EQ(values_.KcoFmt, r.kco);
        EXPECT_EQ(values_.SqlFmt, kDefaultSqlFmt);
        EXPECT_EQ(values_.KsqlFmt, kDefaultKsqlFmt);
        EXPECT_EQ(Stored("KsvFmt"), r.ksv);
        EXPECT_EQ(Stored("KcoFmt"), r.kco);
        EXPECT_EQ(Stored("KsqlFmt"), kDefaultKsqlFmt);
        EXPECT_EQ(Stored("SqlFmt"), kDefaultSqlFmt);
        unlink(RegistryFilePath(kCompanyKey).c_str());
    }
}

TEST_F(RegSettingsDlgTest, OkTakesAtMost254CharactersAndStoresExactly) {
    const std::string longText(300, 'k');
    host_.OnNextModal([&](Dialog& d) {
        d.UserSetText(IDC_REG_KSVFMT, longText);
        d.UserSetText(IDC_REG_KCOFMT, " kco \"%s\" -vp \\ -p \"%s\" ");
        d.UserSetText(IDC_REG_SQLFMT, "");
        d.UserSetText(IDC_REG_KSQLFMT, "ksql -b %s");
        d.UserKeyEnter();
    });
    EXPECT_EQ(EditActionTemplates(host_, values_), IDOK);
    EXPECT_EQ(values_.KsvFmt, std::string(254, 'k'));
    EXPECT_EQ(values_.KcoFmt, " kco \"%s\" -vp \\ -p \"%s\" ");
    EXPECT_EQ(values_.SqlFmt, "");
    EXPECT_EQ(values_.KsqlFmt, "ksql -b %s");
    EXPECT_EQ(Stored("KsvFmt"), std::string(254, 'k'));
    EXPECT_EQ(Stored("KcoFmt"), " kco \"%s\" -vp \\ -p \"%s\" ");
    EXPECT_EQ(Stored("SqlFmt"), "");
    EXPECT_EQ(Stored("KsqlFmt"), "ksql -b %s");
    // Only the four templates are written.
    EXPECT_EQ(Stored("Broker"), "<absent>");
    // An empty stored template gives the default again at the next start.
    MainWindowValues next;
    LoadSettings(next, AppValues{});
    EXPECT_EQ(next.SqlFmt, kDefaultSqlFmt);
    EXPECT_EQ(next.KcoFmt, " kco \"%s\" -vp \\ -p \"%s\" ");
}

TEST_F(RegSettingsDlgTest, CancelChangesNothing) {
    const MainWindowValues before = values_;
    for (auto cancel :
         {+[](Dialog& d) { d.UserClick(IDCANCEL); }, +[](Dialog& d) { d.UserKeyEscape(); }}) {
        host_.OnNextModal([cancel](Dialog& d) {
            d.UserSetText(IDC_REG_KSVFMT, "typed");
            d.UserClick(IDC_REG_DEFAULTS);
            cancel(d);
        });
        EXPECT_EQ(EditActionTemplates(host_, values_), IDCANCEL);
        EXPECT_EQ(values_.KsvFmt, before.KsvFmt);
        EXPECT_EQ(values_.KcoFmt, before.KcoFmt);
        EXPECT_EQ(values_.KsqlFmt, before.KsqlFmt);
        EXPECT_EQ(values_.SqlFmt, before.SqlFmt);
        EXPECT_FALSE(qvtest::FileExists(RegistryFilePath(kCompanyKey)));
    }
}

}  // namespace
