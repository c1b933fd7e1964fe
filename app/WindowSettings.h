// The size and position the user left each resizable window with, kept in a file of their own
// beside the per-user settings, so that the settings the program shares with others stay as
// they are.
#pragma once

#include <string>

namespace qv {

// ConfigDir()/<company>/QuorvelWindows.ini.
std::string WindowSettingsFilePath();
// The text kept for a window's key; empty when none.
std::string ReadWindowPlacement(const std::string& key);
// Keeps the text for a window's key (the file is replaced whole); false when it cannot be
// written.
bool WriteWindowPlacement(const std::string& key, const std::string& text);

}  // namespace qv
