#include "app/Trace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fstream>

namespace qv {

namespace {
std::string g_traceFile;
std::function<std::tm()> g_clock;
}  // namespace

void SetTraceFile(const std::string& path) { g_traceFile = path; }
const std::string& TraceFile() { return g_traceFile; }
void SetTraceClock(std::function<std::tm()> clock) { g_clock = std::move(clock); }

// Provisional writer: counts the file's lines on every call.
int WriteTrace(const char* format, ...) {
    char message[16428];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(message, sizeof message, format, ap);
    va_end(ap);
    if (n < 0 || n > 16424) return 0;
    std::tm tm{};
    if (g_clock) {
        tm = g_clock();
    } else {
        std::time_t now = std::time(nullptr);
        localtime_r(&now, &tm);
    }
    if (g_traceFile.empty()) return 1;
    long count = 0;
    if (FILE* in = fopen(g_traceFile.c_str(), "r")) {
        char buf[16424];
        while (fgets(buf, sizeof buf, in)) ++count;
        fclose(in);
    }
    if (FILE* out = fopen(g_traceFile.c_str(), "a")) {
        fprintf(out, "%ld %02d/%02d/%d %02d:%02d:%02d %s\n", count + 1, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, message);
        fclose(out);
    }
    return 1;
}

long FileSize(const std::string& path, int& err) {
    struct stat st{};
    FILE* f = fopen(path.c_str(), "rb");
    if (!f || fstat(fileno(f), &st) != 0) {
        err = errno;
        if (f) fclose(f);
        WriteTrace("fsize failed: %s  err=%d", path.c_str(), err);
        return 0;
    }
    fclose(f);
    return static_cast<long>(st.st_size);
}

}  // namespace qv
