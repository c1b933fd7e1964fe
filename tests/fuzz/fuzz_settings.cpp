// The settings file reader over any file contents: the INI parser, its value escaping, and the
// main window's values loaded from the file and saved back.
#include <strings.h>

#include <cstdlib>

#include "app/IniFile.h"
#include "app/MainSettings.h"
#include "app/Settings.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool Printable(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) return false;
    }
    return true;
}

bool EndsWithSeparator(const std::string& text) {
    return !text.empty() && (text.back() == '/' || text.back() == '\\');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool configured = [] {
        setenv("XDG_CONFIG_HOME", qvfuzz::WorkDir().c_str(), 1);
        qv::SwitchToProfile();
        return true;
    }();
    (void)configured;
    qvfuzz::Input in(data, size);
    const std::string section = in.Part();
    const std::string key = in.Part();
    const std::string value = in.Part();
    const std::string contents = in.Rest();

    // A value without a line break reads back as itself from the text written for it.
    const std::string written = qv::FormatIniValue(value);
    FUZZ_CHECK(written.find_first_of("\r\n") == std::string::npos || !qv::IsStorableIniValue(value));
    if (qv::IsStorableIniValue(value)) FUZZ_CHECK(qv::ParseIniValue(written) == value);

    // Parsing what was written gives the same file again.
    qv::IniFile ini(contents);
    const std::string serialized = ini.Serialize();
    FUZZ_CHECK(qv::IniFile(serialized).Serialize() == serialized);

    // A key set is read back, from the file as written too, and other keys keep their values.
    const std::optional<std::string> before = ini.Get("Settings", "Broker");
    const bool set = ini.Set(section, key, value);
    if (!qv::IsStorableIniValue(value)) FUZZ_CHECK(!set);
    if (set) {
        FUZZ_CHECK(ini.Get(section, key) == value);
        const qv::IniFile reread(ini.Serialize());
        FUZZ_CHECK(reread.Get(section, key) == value);
        FUZZ_CHECK(reread.Serialize() == ini.Serialize());
        const bool same = reread.Get(section, "Broker").has_value() && section.size() == 8 &&
                          key.size() == 6 && strncasecmp(section.c_str(), "Settings", 8) == 0 &&
                          strncasecmp(key.c_str(), "Broker", 6) == 0;
        if (!same) FUZZ_CHECK(reread.Get("Settings", "Broker") == before);
    }

    // The main window's values: loaded from the file, saved and loaded again they stay the same
    // (a password only when it is printable; directories lose a trailing separator per load).
    qvfuzz::WriteFile(qv::SettingsFilePath(), contents);
    qv::AppValues app;
    app.installDir = "/opt/qv";
    app.browseDir = "/opt/qv/Temp";
    app.compareDir = "/opt/qv/Temp1";
    qv::MainWindowValues first;
    qv::LoadSettings(first, app);
    FUZZ_CHECK(!first.MergeOption.empty() && !first.KsqlFmt.empty() && !first.KcoFmt.empty());
    FUZZ_CHECK(qv::SaveSettings(first, {80, 120}, app));
    qv::MainWindowValues second;
    qv::LoadSettings(second, app);
    if (!Printable(first.Password)) second.Password = first.Password;
    if (EndsWithSeparator(first.LocalPath)) second.LocalPath = first.LocalPath;
    FUZZ_CHECK(second.Broker == first.Broker && second.UserId == first.UserId &&
               second.Password == first.Password && second.SrcProject == first.SrcProject &&
               second.SrcState == first.SrcState && second.TgtProject == first.TgtProject &&
               second.TgtState == first.TgtState && second.TgtPackage == first.TgtPackage &&
               second.LocalPath == first.LocalPath && second.KsvFmt == first.KsvFmt &&
               second.KcoFmt == first.KcoFmt && second.KsqlFmt == first.KsqlFmt &&
               second.SqlFmt == first.SqlFmt && second.MergeOption == first.MergeOption &&
               second.PlacementOption == first.PlacementOption);
    FUZZ_CHECK(qv::ReadSettingInt("TopList", "1", 0) == 120);
    return 0;
}
