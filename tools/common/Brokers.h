// Broker names resolve to repositories through an INI file, tessark/brokers.ini in the user's
// configuration directory (or the file named by $TESSARK_BROKERS), one section per broker:
//
//   [demo]
//   repository = sqlite:/home/me/.local/share/tessark/demo.db
//
// Broker names are compared ignoring the case of ASCII letters.
#pragma once

#include <string>

#include "tools/common/Repository.h"

namespace qv::tools {

// The brokers file in force: $TESSARK_BROKERS when set and not empty, else
// <configuration directory>/tessark/brokers.ini.
std::string BrokersFilePath();

// Finds the "repository" value of the broker's section in an INI text. False when the section
// or the key is absent.
bool LookupBrokerLocator(const std::string& iniText, const std::string& broker,
                         std::string& locator);

// Returns the INI text with the broker's "repository" set to `locator`: the key is replaced in
// an existing section, added to it when absent, or a new section is appended. Everything else
// (other sections, comments) is kept.
std::string SetBrokerLocator(const std::string& iniText, const std::string& broker,
                             const std::string& locator);

// True when a name can stand as a section name: not empty, no brackets, no line breaks, no
// leading or trailing blanks.
bool IsValidBrokerName(const std::string& broker);

// Resolves a broker to the locator of its repository, with a readable error otherwise.
bool ResolveBroker(const std::string& broker, Locator& repository, std::string& error);

// Writes the broker into the brokers file (created with its directory when absent), completely
// or not at all.
bool RegisterBroker(const std::string& broker, const std::string& locator, std::string& error);

}  // namespace qv::tools
