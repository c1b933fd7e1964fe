// The records that hold what the analysis learns from the repository, and the string-keyed maps
// that own them. Every field is text, exactly as the query tool printed it; a consumer that needs
// a number converts the text itself.
#pragma once

#include <cassert>
#include <cstdint>
#include <iterator>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace qv {

// One version of one item taken from a source package. The result list shows the fields in this
// order, with `result` moved to the sixth column.
struct CFObj {
    std::string itemName;       // file name, without path
    std::string pathFullName;   // repository path
    std::string mappedVersion;  // e.g. 3, 1.2.1 or x.1.1
    std::string itemType;
    std::string versionStatus;  // "R" reserve tag, "M" merge tag, "D" deleted, else ordinary
    std::string packageName;    // the source package whose query produced the row
    std::string dataSize;       // as cast to twelve characters (may end in blanks)
    std::string creator;
    std::string creationTime;
    std::string modifier;
    std::string modifiedTime;
    std::string itemObjId;  // the record's key in its map
    std::string result;     // the analysis outcome ("Merge Status"); empty when loaded
    std::string reason;     // why the row has that outcome; empty when not known

    bool operator==(const CFObj&) const = default;
};

// The latest version of one item in the target project: the 29 columns of the target query in
// their order, then the analysis result.
struct CTFObj {
    std::string itemName;
    std::string pathFullName;
    std::string mappedVersion;
    std::string itemType;
    std::string versionStatus;
    std::string itemObjId;
    std::string versionObjId;
    std::string packageObjId;
    std::string parentVersionId;
    std::string mergedVersionId;
    std::string inBranch;
    std::string ancestorVersionId;
    std::string refactor;
    std::string refactorBy;
    std::string creator;
    std::string creationTime;
    std::string modifier;
    std::string modifiedTime;
    std::string clientMachine;
    std::string clientPath;
    std::string dataSize;
    std::string refCounter;
    std::string compDataSize;
    std::string fileAccess;
    std::string textFile;
    std::string isDataInChunks;
    std::string packageName;
    std::string stateName;
    std::string environmentName;
    std::string result;

    bool operator==(const CTFObj&) const = default;
};

// A package of the source project and state, with the user's choice whether to analyse it.
struct CPkgObj {
    std::string packageName;
    std::string selected;  // "1" when chosen; only exactly "1" counts

    bool IsSelected() const { return selected == "1"; }
    bool operator==(const CPkgObj&) const = default;
};

// A place in the iteration of a map. The default value is the null position. A position is bound
// to the map and to the contents it was taken from: once the map changes, its old positions read
// as null instead of pointing into released storage.
template <class Map>
class MapPosition {
public:
    MapPosition() = default;
    bool IsNull() const { return owner_ == nullptr; }
    explicit operator bool() const { return owner_ != nullptr; }
    bool operator==(const MapPosition& other) const {
        return owner_ == other.owner_ && (owner_ == nullptr || it_ == other.it_);
    }

private:
    friend Map;
    using Iterator = typename Map::Storage::const_iterator;
    MapPosition(const Map* owner, std::uint64_t generation, Iterator it)
        : owner_(owner), generation_(generation), it_(it) {}

    const Map* owner_ = nullptr;
    std::uint64_t generation_ = 0;
    Iterator it_{};
};

// An owning map from text keys to records of type R. It stores its own copy of every record it
// is given and hands out copies; keys are compared byte for byte, case-sensitively. Iteration
// visits the entries in the order their keys were first stored (replacing a record keeps its
// place), so the same additions always give the same order, whatever the keys are.
template <class R>
class StrKeyedMap {
public:
    using Record = R;
    using Storage = std::list<std::pair<const std::string, R>>;
    using Position = MapPosition<StrKeyedMap>;

    StrKeyedMap() = default;
    StrKeyedMap(const StrKeyedMap& other) : entries_(other.entries_) { Reindex(); }
    StrKeyedMap& operator=(const StrKeyedMap& other) {
        if (this != &other) {
            Storage copy(other.entries_);
            entries_.swap(copy);
            Reindex();
            ++generation_;
        }
        return *this;
    }
    virtual ~StrKeyedMap() { RemoveAll(); }

    int GetCount() const { return static_cast<int>(entries_.size()); }

    // The null position for an empty map, otherwise the position before the first entry.
    Position GetStartPosition() const {
        if (entries_.empty()) return {};
        return Position(this, generation_, entries_.begin());
    }

    // Returns the entry at `pos` (its key and a copy of its record) and moves `pos` to the next
    // entry, or to the null position after the last. A null position, or one taken before the map
    // last changed, leaves key and record untouched and becomes null. A loop that changes the map
    // it walks is a fault of the loop: a debug build stops at it rather than let the walk end
    // early with part of the records.
    void GetNextAssoc(Position& pos, std::string& key, R& record) const {
        assert((pos.owner_ != this || pos.generation_ == generation_) &&
               "the map changed while it was walked");
        if (pos.owner_ != this || pos.generation_ != generation_ || pos.it_ == entries_.end()) {
            pos = {};
            return;
        }
        key = pos.it_->first;
        record = pos.it_->second;
        ++pos.it_;
        if (pos.it_ == entries_.end()) pos = {};
    }

    // 1 and a copy of the record when the key is present; 0 and `record` untouched otherwise.
    int Lookup(const std::string& key, R& record) const {
        auto it = index_.find(key);
        if (it == index_.end()) return 0;
        record = it->second->second;
        return 1;
    }

    // Stores a copy of `record` under the key, replacing any record stored there.
    int SetAt(const std::string& key, const R& record) {
        auto it = index_.find(key);
        if (it != index_.end()) {
            it->second->second = record;
        } else {
            Append(key, record);
        }
        ++generation_;
        return 1;
    }

    // 1 when the key was present and its record is gone, 0 otherwise.
    int RemoveKey(const std::string& key) {
        auto it = index_.find(key);
        if (it == index_.end()) return 0;
        entries_.erase(it->second);
        index_.erase(it);
        ++generation_;
        return 1;
    }

    void RemoveAll() {
        entries_.clear();
        index_.clear();
        ++generation_;
    }

protected:
    // Stores a new key at the end of the order; the key must be absent.
    void Append(const std::string& key, const R& record) {
        entries_.emplace_back(key, record);
        index_.emplace(entries_.back().first, std::prev(entries_.end()));
    }
    bool Contains(const std::string& key) const { return index_.count(key) != 0; }

    Storage entries_;
    std::uint64_t generation_ = 0;

private:
    void Reindex() {
        index_.clear();
        index_.reserve(entries_.size());
        for (auto it = entries_.begin(); it != entries_.end(); ++it) index_.emplace(it->first, it);
    }

    // Keys view the strings held in the entries, whose places never move.
    std::unordered_map<std::string_view, typename Storage::iterator> index_;
};

extern template class StrKeyedMap<CFObj>;
extern template class StrKeyedMap<CTFObj>;
extern template class StrKeyedMap<CPkgObj>;

// Source item versions.
class CMapStrToFObj : public StrKeyedMap<CFObj> {
public:
    // Stores a copy under the key only when the key is absent: 1 when stored, 0 when the key was
    // already present (the stored record keeps its fields).
    int AddIfAbsent(const std::string& key, const CFObj& record) {
        if (Contains(key)) return 0;
        Append(key, record);
        ++generation_;
        return 1;
    }
};

// Latest target item versions.
class CMapStrToTFObj : public StrKeyedMap<CTFObj> {};

// Packages of the source project and state.
class CMapStrToPkgObj : public StrKeyedMap<CPkgObj> {};

}  // namespace qv
