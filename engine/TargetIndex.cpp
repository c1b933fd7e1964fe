#include "engine/TargetIndex.h"

namespace qv {

void TargetNameIndex::Build(const CMapStrToTFObj& items) {
    records_.clear();
    byName_.clear();
    byName_.reserve(static_cast<size_t>(items.GetCount()));
    std::string key;
    CTFObj record;
    for (auto pos = items.GetStartPosition(); pos;) {
        items.GetNextAssoc(pos, key, record);
        // A later record of the same name is never found by the walk.
        if (byName_.try_emplace(record.itemName, records_.size()).second)
            records_.push_back(std::move(record));
    }
}

const CTFObj* TargetNameIndex::Find(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : &records_[it->second];
}

}  // namespace qv
