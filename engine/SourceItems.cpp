#include "engine/SourceItems.h"

namespace qv {

const char* const kSourcePackageItemsFormat =
    "SELECT KESITEMNAME.ITEMNAME, KESPATHFULLNAME.PATHFULLNAME, KESVERSIONS.MAPPEDVERSION, "
    "KESVERSIONS.ITEMTYPE, KESVERSIONS.VERSIONSTATUS, cast (KESVERSIONDATA.DATASIZE as "
    "char(12)), CREATOR.USERNAME, KESVERSIONS.CREATIONTIME, MODIFIER.USERNAME, "
    "KESVERSIONS.MODIFIEDTIME, KESVERSIONS.ITEMOBJID FROM KESVERSIONS INNER JOIN KESITEMNAME "
    "ON KESITEMNAME.NAMEOBJID = KESVERSIONS.ITEMNAMEID INNER JOIN KESPATHFULLNAME ON "
    "KESVERSIONS.PATHVERSIONID = KESPATHFULLNAME.VERSIONOBJID INNER JOIN KESPACKAGE ON "
    "KESPACKAGE.PACKAGEOBJID = KESVERSIONS.PACKAGEOBJID INNER JOIN KESENVIRONMENT ON "
    "KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN KESVERSIONDATA ON "
    "KESVERSIONS.VERSIONDATAOBJID = KESVERSIONDATA.VERSIONDATAOBJID INNER JOIN KESSTATE ON "
    "KESSTATE.STATEOBJID = KESPACKAGE.STATEOBJID INNER JOIN KESALLUSERS CREATOR ON "
    "KESVERSIONS.CREATORID = CREATOR.USROBJID INNER JOIN KESALLUSERS MODIFIER ON "
    "KESVERSIONS.MODIFIERID = MODIFIER.USROBJID INNER JOIN  (SELECT KESVERSIONS.ITEMOBJID,   "
    "MAX(DISTINCT KESVERSIONS.VERSIONOBJID) AS Max_VERSIONOBJID FROM KESVERSIONS INNER JOIN "
    "KESPACKAGE ON KESPACKAGE.PACKAGEOBJID = KESVERSIONS.PACKAGEOBJID INNER JOIN "
    "KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN KESSTATE ON "
    "KESENVIRONMENT.ENVOBJID = KESSTATE.ENVOBJID WHERE KESENVIRONMENT.ENVIRONMENTNAME = '%s' "
    "AND KESSTATE.STATENAME = '%s' AND KESPACKAGE.PACKAGENAME = '%s' GROUP BY "
    "KESENVIRONMENT.ENVIRONMENTNAME,          KESSTATE.STATENAME,          "
    "KESVERSIONS.ITEMOBJID ) MAXVERSIONS ON KESVERSIONS.VERSIONOBJID = "
    "MAXVERSIONS.Max_VERSIONOBJID ";

std::vector<std::string> SplitAtTabRuns(std::string_view row, size_t maxFields) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < maxFields) {
        at = row.find_first_not_of('\t', at);
        if (at == std::string_view::npos) break;
        const size_t end = row.find('\t', at);
        fields.emplace_back(row.substr(at, end == std::string_view::npos ? end : end - at));
        at = end;
    }
    return fields;
}

std::vector<std::string> SplitAtTabs(std::string_view row, size_t maxFields) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < maxFields) {
        const size_t end = row.find('\t', at);
        fields.emplace_back(row.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return fields;
}

CFObj SourceRecordFromRow(std::string_view row, const std::string& packageName) {
    // One field per tab: an empty column (an empty tag, a NULL) keeps the later ones in place,
    // the item's object id among them, under which the item is stored.
    std::vector<std::string> f = SplitAtTabs(row, 11);
    f.resize(11);
    CFObj r;
    r.itemName = std::move(f[0]);
    r.pathFullName = std::move(f[1]);
    r.mappedVersion = std::move(f[2]);
    r.itemType = std::move(f[3]);
    r.versionStatus = std::move(f[4]);
    r.dataSize = std::move(f[5]);
    r.creator = std::move(f[6]);
    r.creationTime = std::move(f[7]);
    r.modifier = std::move(f[8]);
    r.modifiedTime = std::move(f[9]);
    r.itemObjId = std::move(f[10]);
    r.packageName = packageName;
    return r;
}

bool MappedVersionGreater(std::string_view candidate, std::string_view stored) {
    // std::string_view compares its characters as unsigned values.
    return candidate.compare(stored) > 0;
}

bool KeepGreaterMappedVersion(CMapStrToFObj& items, const CFObj& record) {
    CFObj stored;
    if (items.Lookup(record.itemObjId, stored) &&
        !MappedVersionGreater(record.mappedVersion, stored.mappedVersion))
        return false;
    items.SetAt(record.itemObjId, record);
    return true;
}

}  // namespace qv
