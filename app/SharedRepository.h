// Whether the repository a broker names is shared with a group, which decides the modes of the
// directories and files the program creates for the user (app/FileModes.h).
#pragma once

#include <string>

namespace qv {

// The brokers file the repository tools read: $TESSARK_BROKERS when set, else
// <configuration directory>/tessark/brokers.ini.
std::string BrokersFile();

// True when the broker names a repository file whose group may read it. A broker that is not
// found, a server repository and an unreadable brokers file count as not shared.
bool BrokerSharedWithGroup(const std::string& broker);

// The same for the broker in the user's settings file (read before the settings store is
// switched to it at start-up).
bool SettingsBrokerSharedWithGroup();
// The same for the broker the settings store in force holds now.
bool CurrentBrokerSharedWithGroup();

}  // namespace qv
