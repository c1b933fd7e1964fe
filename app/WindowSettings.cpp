#include "app/WindowSettings.h"

#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/Settings.h"

namespace qv {

namespace {
constexpr char kSection[] = "Windows";
}

std::string WindowSettingsFilePath() {
    return JoinPath(JoinPath(ConfigDir(), kCompanyKey), "QuorvelWindows.ini");
}

std::string ReadWindowPlacement(const std::string& key) {
    return ReadIniText(WindowSettingsFilePath(), kSection, key);
}

bool WriteWindowPlacement(const std::string& key, const std::string& text) {
    if (!MakeDirectories(JoinPath(ConfigDir(), kCompanyKey), 0755)) return false;
    return WriteIniText(WindowSettingsFilePath(), kSection, key, text);
}

}  // namespace qv
