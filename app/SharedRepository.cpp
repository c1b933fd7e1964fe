#include "app/SharedRepository.h"

#include <cstdlib>

#include "app/FileModes.h"
#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/Settings.h"

namespace qv {

std::string BrokersFile() {
    if (const char* env = std::getenv("TESSARK_BROKERS"); env && *env) return env;
    return JoinPath(ConfigDir(), "tessark/brokers.ini");
}

bool BrokerSharedWithGroup(const std::string& broker) {
    if (broker.empty()) return false;
    const std::optional<std::string> locator =
        IniFile::Load(BrokersFile()).Get(broker, "repository");
    static const std::string kSqlite = "sqlite:";
    if (!locator || locator->compare(0, kSqlite.size(), kSqlite) != 0) return false;
    return FileSharedWithGroup(locator->substr(kSqlite.size()));
}

bool SettingsBrokerSharedWithGroup() {
    const IniFile settings = IniFile::Load(RegistryFilePath(kCompanyKey));
    return BrokerSharedWithGroup(settings.Get("Settings", "Broker").value_or(""));
}

bool CurrentBrokerSharedWithGroup() {
    return BrokerSharedWithGroup(ReadSettingText("Settings", "Broker"));
}

}  // namespace qv
