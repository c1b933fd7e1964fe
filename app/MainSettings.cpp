#include "app/MainSettings.h"

#include <cstring>

#include "app/IniFile.h"
#include "app/PasswordStore.h"
#include "app/Settings.h"

namespace qv {

namespace {

// The password key: fixed bytes between 1 and 31, so that a printable character stays
// printable.
constexpr unsigned char kPasswordKey[80] = {
    22, 25, 26, 5, 14, 11, 23, 17, 22, 6,  29, 14, 3,  1,  28, 29,  //
    31, 29, 12, 9, 19, 30, 13, 21, 5,  22, 10, 26, 30, 5,  22, 20,  //
    16, 28, 13, 6, 28, 4,  11, 29, 3,  13, 2,  23, 6,  29, 21, 16,  //
    22, 13, 3,  7, 30, 31, 31, 25, 7,  23, 9,  25, 13, 18, 11, 5,   //
    22, 13, 6,  2, 9,  23, 9,  11, 10, 2,  4,  10, 9,  12, 8,  14,
};

// Reads a key with an empty default; only a non-empty stored text replaces `value`.
void ReadOver(const IniFile& ini, const char* key, std::string& value) {
    if (auto stored = ini.Get(kSectionSettings, key); stored && !stored->empty()) value = *stored;
}

PasswordStore* g_passwordStore = nullptr;

}  // namespace

void SetPasswordStore(PasswordStore* store) {
    g_passwordStore = store;
}

PasswordStore* CurrentPasswordStore() {
    return g_passwordStore;
}

size_t ScramblePassword(std::string& text) {
    // The text ends at its first zero character, as a C string does.
    const size_t length = strnlen(text.c_str(), text.size());
    for (size_t i = 0; i < length && i < sizeof kPasswordKey; ++i) {
        const unsigned c = static_cast<unsigned char>(text[i]);
        text[i] = static_cast<char>((c ^ kPasswordKey[i]) & 127u);
    }
    text.resize(strnlen(text.c_str(), length));
    return text.size();
}

std::string TrimOneTrailingSeparator(const std::string& dir) {
    if (dir.empty() || dir == "/") return dir;
    if (dir.back() == '\\' || dir.back() == '/') return dir.substr(0, dir.size() - 1);
    return dir;
}

void LoadSettings(MainWindowValues& values, const AppValues& app) {
    const IniFile ini = CurrentSettings();

    values.MergeOption = kDefaultMergeOption;
    ReadOver(ini, "MergeOption", values.MergeOption);
    values.PlacementOption = kDefaultPlacementOption;
    ReadOver(ini, "PlacementOption", values.PlacementOption);

    struct {
        const char* key;
        std::string* value;
    } const texts[] = {
        {"UserId", &values.UserId},     {"Pswd", &values.Password},
        {"Broker", &values.Broker},     {"SrcProject", &values.SrcProject},
        {"SrcState", &values.SrcState}, {"TgtProject", &values.TgtProject},
        {"TgtState", &values.TgtState}, {"TgtPackage", &values.TgtPackage},
    };
    for (const auto& t : texts) {
        t.value->clear();
        ReadOver(ini, t.key, *t.value);
    }

    values.BrowseDir = app.browseDir;
    values.CompareDir = app.compareDir;
    values.LocalPath = app.installDir;
    ReadOver(ini, "LocalPath", values.LocalPath);
    values.BrowseDir = TrimOneTrailingSeparator(values.BrowseDir);
    values.CompareDir = TrimOneTrailingSeparator(values.CompareDir);
    values.LocalPath = TrimOneTrailingSeparator(values.LocalPath);

    ScramblePassword(values.Password);
    // A password in the store wins; one still in the settings (kept before there was a store)
    // moves there at the next save.
    if (PasswordStore* store = CurrentPasswordStore()) {
        std::string stored;
        if (store->Read(stored) && !stored.empty()) values.Password = stored;
    }

    values.CheckoutPackage.clear();
    values.KsvFmt = kDefaultKsvFmt;
    values.KcoFmt = kDefaultKcoFmt;
    values.KsqlFmt = kDefaultKsqlFmt;
    values.SqlFmt = kDefaultSqlFmt;
    ReadOver(ini, "KsvFmt", values.KsvFmt);
    ReadOver(ini, "KcoFmt", values.KcoFmt);
    ReadOver(ini, "KsqlFmt", values.KsqlFmt);
    ReadOver(ini, "SqlFmt", values.SqlFmt);
}

bool SaveSettings(const MainWindowValues& values, const std::vector<int>& columnWidths,
                  const AppValues& app) {
    std::string scrambled = values.Password;
    // The settings keep no password when the store has taken it.
    if (PasswordStore* store = CurrentPasswordStore(); store && store->Write(values.Password))
        scrambled.clear();
    ScramblePassword(scrambled);

    SettingsBatch batch;
    const std::pair<const char*, const std::string*> texts[] = {
        {"INSTALLDIR", &app.installDir},
        {"MergeOption", &values.MergeOption},
        {"PlacementOption", &values.PlacementOption},
        {"UserId", &values.UserId},
        {"Pswd", &scrambled},
        {"Broker", &values.Broker},
        {"SrcProject", &values.SrcProject},
        {"SrcState", &values.SrcState},
        {"TgtProject", &values.TgtProject},
        {"TgtState", &values.TgtState},
        {"TgtPackage", &values.TgtPackage},
        {"LocalPath", &values.LocalPath},
        {"KsvFmt", &values.KsvFmt},
        {"KcoFmt", &values.KcoFmt},
        {"KsqlFmt", &values.KsqlFmt},
        {"SqlFmt", &values.SqlFmt},
    };
    // A value with a line break cannot be stored; the key keeps what the file holds (such a
    // value can only have come from a hand-edited file), so that the others are still written
    // and a false result means the file itself could not be written.
    for (const auto& [key, value] : texts) {
        if (IsStorableIniValue(*value)) batch.WriteText(kSectionSettings, key, *value);
    }

    if (!columnWidths.empty()) {
        batch.WriteInt(kSectionTopList, "ColumnCount", static_cast<int>(columnWidths.size()));
        for (size_t i = 0; i < columnWidths.size(); ++i)
            batch.WriteInt(kSectionTopList, std::to_string(i), columnWidths[i]);
    }
    return batch.Commit();
}

}  // namespace qv
