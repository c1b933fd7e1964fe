#include "scm/LineReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

LineReader::LineReader(const std::string& path, size_t maxChars)
    : maxChars_(maxChars == 0 ? 1 : maxChars) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) openError_ = errno;
}

LineReader::~LineReader() {
    Close();
}

void LineReader::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

int LineReader::Peek() {
    if (pos_ < len_) return static_cast<unsigned char>(buf_[pos_]);
    if (eof_ || failed_ || fd_ < 0) return -1;
    for (;;) {
        ssize_t n = read(fd_, buf_, sizeof buf_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failed_ = true;
            return -1;
        }
        if (n == 0) {
            eof_ = true;
            return -1;
        }
        pos_ = 0;
        len_ = static_cast<size_t>(n);
        return static_cast<unsigned char>(buf_[0]);
    }
}

int LineReader::Get() {
    int c = Peek();
    if (c >= 0) ++pos_;
    return c;
}

bool LineReader::Next(std::string& line) {
    line.clear();
    if (fd_ < 0 || failed_) return false;
    size_t taken = 0;
    while (taken < maxChars_) {
        int c = Get();
        if (c < 0) break;
        if (c == '\r' && Peek() == '\n') c = Get();
        ++taken;
        if (c == '\n') break;
        // A NUL is read as a blank: cutting the line there would lose the fields after it.
        line += c == '\0' ? ' ' : static_cast<char>(c);
    }
    if (failed_) {
        line.clear();
        return false;
    }
    return taken > 0;  // nothing taken: the end of the file
}

}  // namespace qv
