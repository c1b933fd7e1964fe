// The result list's columns, as every list, file and report addresses them.
#pragma once

namespace qv {

// The result list's columns, addressed by these fixed numbers.
enum ResultColumn : int {
    kColFile = 0,
    kColPath = 1,
    kColVersion = 2,
    kColType = 3,
    kColTag = 4,
    kColMergeStatus = 5,
    kColSrcPackage = 6,
    kColDatasize = 7,
    kColCreator = 8,
    kColCreatedDate = 9,
    kColModifier = 10,
    kColModifiedDate = 11,
    kColItemObjId = 12,
    kColRecord = 13,
    kResultColumnCount = 14,
};

}  // namespace qv
