// The target items by file name, for finding the target record of a source row. Built once from
// the target map, it gives for every name the record that a walk over the map from its start
// would meet first.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Records.h"

namespace qv {

class TargetNameIndex {
public:
    TargetNameIndex() = default;
    explicit TargetNameIndex(const CMapStrToTFObj& items) { Build(items); }

    // Forgets what it held and takes the first record of every item name of `items`.
    void Build(const CMapStrToTFObj& items);

    // The first record whose itemName equals `name` (exact, letter case counts; the path is not
    // compared), or nullptr.
    const CTFObj* Find(const std::string& name) const;

    int NameCount() const { return static_cast<int>(records_.size()); }

private:
    std::vector<CTFObj> records_;
    std::unordered_map<std::string, size_t> byName_;
};

}  // namespace qv
