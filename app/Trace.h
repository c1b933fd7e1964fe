// The trace log: one numbered, time-stamped line per call, appended to the trace file.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace qv {

// Sets the trace file (empty: tracing off) and the clock that stamps the lines (the system's
// local time when not set).
void SetTraceFile(const std::string& path);
const std::string& TraceFile();
void SetTraceClock(std::function<std::tm()> clock);

// Caps the trace file: when a line takes it past `bytes` and a quarter, it is cut to its last
// `bytes` (whole lines only), the new file written completely or not at all. Numbering goes on
// from the lines kept. 0 (the default) leaves the file to grow.
void SetTraceLimit(std::uint64_t bytes);
// The settings key (section "Settings") that names the cap in megabytes, and its default; 0
// turns the cap off.
inline constexpr char kTraceLimitKey[] = "TraceLimitMB";
inline constexpr int kDefaultTraceLimitMB = 8;

// Called instead of the message on the standard error when a write to the trace file fails (as
// the message, once per trace file), with the file and the reason (an errno value); without a
// handler the message is written. The handler must not write to the trace.
void SetTraceFailureHandler(void (*handler)(const std::string& file, int err));

// Formats the message printf-style and appends it as one line. Returns 0 when the message is too
// long to be written, 1 otherwise (also when the file cannot be opened or written: the standard
// error then names the file and the reason, once per trace file).
int WriteTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Holds back the trace lines written while it lives and appends them to the file together: when
// Flush is called, when more than a megabyte is held, when the trace file changes, and when the
// outermost batch ends. Each line keeps the time stamp of its call and gets the number it would
// have had when written at once, so the file ends up the same; only the moment it reaches the
// disk differs. For loops that trace every item of a long list.
class TraceBatch {
public:
    TraceBatch();
    ~TraceBatch();
    TraceBatch(const TraceBatch&) = delete;
    TraceBatch& operator=(const TraceBatch&) = delete;
    // Writes what is held now.
    void Flush();
};

// Writes several messages (taken as they are, like "%s") as consecutive lines in one batch: the
// file ends up as if WriteTrace had written them one after the other. Messages longer than
// kTraceMaxMessage are left out, as WriteTrace refuses them. For loops that trace a line per
// item; returns 1.
int WriteTraceLines(const std::vector<std::string>& messages);

// The size of an existing file; 0 when it cannot be opened or its size read, in which case the
// error code goes to err and a trace line is written. err is untouched on success.
long FileSize(const std::string& path, int& err);

// The longest message that is written, and how many characters one read of the file takes when
// the lines are counted (a longer line counts as several reads).
inline constexpr int kTraceMaxMessage = 16424;
inline constexpr int kTraceReadChars = 16423;

// Counts the reads that numbering makes of a text, fed in pieces of any size: each read takes a
// line up to its line feed or kTraceReadChars characters, whichever comes first, with CR LF read
// as one line feed. Feeding a text in pieces gives the same total as feeding it whole.
class TraceLineCounter {
public:
    void Feed(const char* data, size_t size);
    // Reads of everything fed so far, the unfinished last line included.
    std::uint64_t Total() const;
    void Reset() { *this = TraceLineCounter(); }

private:
    std::uint64_t reads_ = 0;    // reads of the finished lines
    std::uint64_t partial_ = 0;  // bytes of the unfinished line
    bool lastWasCR_ = false;     // the last byte fed was a carriage return
};

// Counts the reads of a whole file (0 when it cannot be read).
std::uint64_t CountTraceLines(const std::string& path);

// Makes every line count the whole file again instead of only what is new since the previous
// line. For measurements; the numbers are the same either way.
void SetTraceFullRecount(bool on);

}  // namespace qv
