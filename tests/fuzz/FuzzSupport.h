// What the fuzz harnesses share: a private directory for the files the readers read, writing a
// file there, and a check that stops the run with a message when a property does not hold.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Stops the run (libFuzzer saves the input) when a property does not hold.
#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace qvfuzz {

// A directory of this process, made once (below /dev/shm when it is there, so that writing the
// input costs no disk time).
inline const std::string& WorkDir() {
    // Never destroyed, so that the removal at exit can still name it.
    static const std::string* const dir = [] {
        std::string templ =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/qvfuzz.XXXXXX" : "/tmp/qvfuzz.XXXXXX";
        if (!mkdtemp(templ.data())) std::abort();
        // Removed when the run ends normally; a crashed run leaves it for a look.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(WorkDir(), ignored);
        });
        return new std::string(templ);
    }();
    return *dir;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    close(fd);
}

inline void WriteFile(const std::string& path, const std::string& text) {
    WriteFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The most lines a line reader with pieces of `readSize` characters can hand out for a text:
// one per line feed, one for a last line without it, and one more for every piece a long line
// is cut into.
inline size_t MaxPieces(const std::string& text, size_t readSize) {
    size_t feeds = 0;
    for (char c : text) feeds += c == '\n';
    return feeds + 1 + text.size() / readSize;
}

// Takes the input apart: a first byte or two that steer the harness, then the rest.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // The text up to the next NUL byte (or the end).
    std::string Part() {
        std::string out;
        while (pos_ < size_ && data_[pos_] != 0) out += static_cast<char>(data_[pos_++]);
        if (pos_ < size_) ++pos_;
        return out;
    }
    std::string Rest() {
        std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }
    bool empty() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A map's entries in order, for comparing two maps.
template <class Map>
std::vector<std::pair<std::string, typename Map::Record>> Entries(const Map& map) {
    std::vector<std::pair<std::string, typename Map::Record>> out;
    std::string key;
    typename Map::Record record;
    for (auto pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, record);
        out.emplace_back(key, record);
    }
    return out;
}

}  // namespace qvfuzz
