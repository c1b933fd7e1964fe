// The password kept by a real Secret Service: a private D-Bus session with gnome-keyring-daemon,
// both started here for the test and stopped after it.
#ifdef QV_WITH_KEYCHAIN
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/MainSettings.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "host/qt/KeychainStore.h"
#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"

namespace {

// Runs this test again inside a new D-Bus session whose Secret Service is a fresh keyring
// daemon (its login keyring made and unlocked with a password of the test, its files below this
// test's HOME), ended when the test has run.
constexpr char kSession[] =
    "printf qv-keyring | gnome-keyring-daemon --foreground --unlock --components=secrets "
    ">/dev/null 2>&1 &"
    " keyring=$!;"
    " for i in $(seq 100); do"
    "   dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
    "org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |"
    "   grep -q 'boolean true' && break; sleep 0.05; done;"
    " QV_KEYRING_SESSION=1 \"$0\" --gtest_filter=KeychainStoreQtTest.*; status=$?;"
    " kill $keyring; wait $keyring; exit $status";

std::string StoredPswd() {
    return qv::ReadIniText(qv::RegistryFilePath(qv::kCompanyKey), "Settings", "Pswd");
}

TEST(KeychainStoreQtTest, ThePasswordIsKeptInTheSecretServiceAndNotInTheSettings) {
    if (!std::getenv("QV_KEYRING_SESSION")) {
        if (access("/usr/bin/dbus-run-session", X_OK) != 0 ||
            access("/usr/bin/gnome-keyring-daemon", X_OK) != 0)
            GTEST_SKIP() << "needs dbus-run-session and gnome-keyring-daemon";
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(n, 0);
        self[n] = '\0';
        const qvtest::ToolResult r =
            qvtest::RunProgram("/usr/bin/dbus-run-session", {"--", "sh", "-c", kSession, self});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out;
        return;
    }
    ASSERT_TRUE(qv::KeychainStore::SecretServiceRuns());
    std::unique_ptr<qv::KeychainStore> store = qv::KeychainStore::IfAvailable();
    ASSERT_NE(store, nullptr);
    qv::SwitchToRegistry(qv::kCompanyKey);
    qv::AppValues app;
    qv::MainWindowValues values;
    const std::string secret = "K3y-ring-pw";

    // With the store the settings hold no password, and the window gets it back from the store.
    qv::SetPasswordStore(store.get());
    values.Password = secret;
    ASSERT_TRUE(qv::SaveSettings(values, {}, app));
    EXPECT_EQ(StoredPswd(), "");
    std::string kept;
    ASSERT_TRUE(store->Read(kept));
    EXPECT_EQ(kept, secret);
    qv::MainWindowValues loaded;
    qv::LoadSettings(loaded, app);
    EXPECT_EQ(loaded.Password, secret);

    // Without a store the settings keep it scrambled, as before.
    qv::SetPasswordStore(nullptr);
    values.Password = "other-pw";
    ASSERT_TRUE(qv::SaveSettings(values, {}, app));
    EXPECT_NE(StoredPswd(), "");
    EXPECT_NE(StoredPswd(), "other-pw");
    qv::LoadSettings(loaded, app);
    EXPECT_EQ(loaded.Password, "other-pw");

    // A password of the settings moves to the store at the next save.
    qv::SetPasswordStore(store.get());
    qv::LoadSettings(loaded, app);
    EXPECT_EQ(loaded.Password, secret) << "the store's password wins";
    ASSERT_TRUE(qv::SaveSettings(values, {}, app));
    EXPECT_EQ(StoredPswd(), "");
    ASSERT_TRUE(store->Read(kept));
    EXPECT_EQ(kept, "other-pw");
    qv::SetPasswordStore(nullptr);
    qv::SwitchToProfile();
}

}  // namespace
#endif
