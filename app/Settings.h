// The settings store: sections of keys holding texts and integers. Until start-up switches it
// to the per-user settings below a company key, it reads and writes the program's own profile
// file; afterwards the per-user settings file (see app/Paths.h for both places). Each write
// replaces the file atomically; the per-user file is readable by its owner only, because it
// holds the scrambled password. A file that is a symbolic link is written through the link: its
// target is replaced atomically and the link stays. Values are stored as they are (see
// app/IniFile.h); a value with a line break is refused, and the other writes of the same call
// still reach the file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/IniFile.h"

namespace qv {

// Directs every later read and write to the per-user settings below the company key.
void SwitchToRegistry(const std::string& company);
// Back to the program's profile file (the state at process start).
void SwitchToProfile();
// Keeps every later read and write in memory, starting from `seed`: no file is read or written
// until one of the switches above. For a program that must leave the user's settings alone.
void SwitchToMemory(const IniFile& seed);
// The file the store uses now; empty while it is held in memory.
std::string SettingsFilePath();
// Everything the store holds now.
IniFile CurrentSettings();

// A text; the default when the key is absent.
std::string ReadSettingText(const std::string& section, const std::string& key,
                            const std::string& defaultValue = {});
// An integer; the default when the key is absent or holds no number.
int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue);
// Single writes; false when the value could not be stored (callers may ignore it).
bool WriteSettingText(const std::string& section, const std::string& key, const std::string& value);
bool WriteSettingInt(const std::string& section, const std::string& key, int value);

// How long a write waits for another program to finish its own read-change-write of the same
// directory before it goes on without waiting (and says so in the trace). Returns the previous
// wait; for tests.
inline constexpr int kSettingsLockWaitMs = 3000;
int SetSettingsLockWait(int milliseconds);

// Several writes that reach the file together, in the order given, with one rewrite.
class SettingsBatch {
public:
    void WriteText(const std::string& section, const std::string& key, const std::string& value);
    void WriteInt(const std::string& section, const std::string& key, int value);
    // Applies the writes to the current file; false when it could not be written.
    bool Commit();
    bool empty() const { return writes_.empty(); }

private:
    struct Write {
        std::string section, key, value;
    };
    std::vector<Write> writes_;
};

// Reads and writes one key of an arbitrary INI file (the status file for the starting
// program). The write is atomic; an existing file keeps its permissions, a new one gets `mode`.
std::string ReadIniText(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& defaultValue = {});
bool WriteIniText(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value, unsigned mode = 0644);

}  // namespace qv
