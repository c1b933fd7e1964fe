// The trace log: one numbered, time-stamped line per call, appended to the trace file.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace qv {

// Sets the trace file (empty: tracing off) and the clock that stamps the lines (the system's
// local time when not set).
void SetTraceFile(const std::string& path);
const std::string& TraceFile();
void SetTraceClock(std::function<std::tm()> clock);

// Formats the message printf-style and appends it as one line. Returns 0 when the message is too
// long to be written, 1 otherwise (also when the file cannot be opened).
int WriteTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The size of an existing file; 0 when it cannot be opened or its size read, in which case the
// error code goes to err and a trace line is written. err is untouched on success.
long FileSize(const std::string& path, int& err);

}  // namespace qv
