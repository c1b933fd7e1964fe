// Reading the tools' result files and logs line by line, the one way every reader of them does.
#pragma once

#include <string>

namespace qv {

// Reads a text file in pieces of at most `maxChars` characters, each read ending after the first
// line feed. A carriage return right before a line feed is read as part of the line end (CR LF
// counts as one character, the line feed). Each piece is handed out cut at its first line feed,
// so a blank line (a line feed alone) is handed out as an empty line; a NUL character is handed
// out as a blank. A line longer than `maxChars` therefore comes out as several lines, and a line
// of exactly `maxChars` characters is followed by an empty one.
class LineReader {
public:
    LineReader(const std::string& path, size_t maxChars);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False when the file could not be opened; OpenError() then holds the errno value.
    bool IsOpen() const { return fd_ >= 0; }
    int OpenError() const { return openError_; }
    // The next line; false at the end of the file or when a read failed (Failed() tells which).
    bool Next(std::string& line);
    bool Failed() const { return failed_; }
    void Close();

private:
    // The next byte, or -1 at the end or on failure.
    int Get();
    int Peek();

    int fd_ = -1;
    int openError_ = 0;
    size_t maxChars_;
    bool failed_ = false;
    bool eof_ = false;
    char buf_[65536];
    size_t pos_ = 0;
    size_t len_ = 0;
};

}  // namespace qv
