#include "engine/TargetData.h"

#include <algorithm>

#include "scm/Ksql.h"
#include "scm/Sql.h"

namespace qv {

namespace {

// The latest version of every item of a project (project, state): the state only has to belong
// to the project.
constexpr char kTargetStatementFormat[] =
    "SELECT KESITEMNAME.ITEMNAME, KESPATHFULLNAME.PATHFULLNAME, KESVERSIONS.MAPPEDVERSION, "
    "KESVERSIONS.ITEMTYPE, KESVERSIONS.VERSIONSTATUS, KESVERSIONS.ITEMOBJID, "
    "KESVERSIONS.VERSIONOBJID, KESVERSIONS.PACKAGEOBJID, KESVERSIONS.PARENTVERSIONID, "
    "KESVERSIONS.MERGEDVERSIONID, KESVERSIONS.INBRANCH, KESVERSIONS.ANCESTORVERSIONID, "
    "KESVERSIONS.REFACTOR, KESVERSIONS.REFACTOR_BY, CREATOR.USERNAME AS CREATOR, "
    "KESVERSIONS.CREATIONTIME, MODIFIER.USERNAME AS MODIFIER, KESVERSIONS.MODIFIEDTIME, "
    "KESVERSIONS.CLIENTMACHINE, KESVERSIONS.CLIENTPATH, cast (KESVERSIONDATA.DATASIZE as "
    "char(12)), KESVERSIONDATA.REFCOUNTER, cast (KESVERSIONDATA.COMPDATASIZE as char(12)), "
    "KESVERSIONDATA.FILEACCESS, KESVERSIONDATA.TEXTFILE, KESVERSIONDATA.ISDATAINCHUNKS, "
    "KESPACKAGE.PACKAGENAME, KESSTATE.STATENAME, KESENVIRONMENT.ENVIRONMENTNAME FROM "
    "KESVERSIONS INNER JOIN KESITEMNAME ON KESITEMNAME.NAMEOBJID = KESVERSIONS.ITEMNAMEID "
    "INNER JOIN KESPATHFULLNAME ON KESVERSIONS.PATHVERSIONID = KESPATHFULLNAME.VERSIONOBJID "
    "INNER JOIN KESPACKAGE ON KESPACKAGE.PACKAGEOBJID = KESVERSIONS.PACKAGEOBJID INNER JOIN "
    "KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN "
    "KESVERSIONDATA ON KESVERSIONS.VERSIONDATAOBJID = KESVERSIONDATA.VERSIONDATAOBJID INNER "
    "JOIN KESSTATE ON KESSTATE.STATEOBJID = KESPACKAGE.STATEOBJID INNER JOIN KESALLUSERS "
    "CREATOR ON KESVERSIONS.CREATORID = CREATOR.USROBJID INNER JOIN KESALLUSERS MODIFIER ON "
    "KESVERSIONS.MODIFIERID = MODIFIER.USROBJID INNER JOIN (SELECT KESVERSIONS.ITEMOBJID, "
    "MAX(DISTINCT KESVERSIONS.VERSIONOBJID) AS Max_VERSIONOBJID FROM KESVERSIONS INNER JOIN "
    "KESPACKAGE ON KESPACKAGE.PACKAGEOBJID = KESVERSIONS.PACKAGEOBJID INNER JOIN "
    "KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN KESSTATE ON "
    "KESENVIRONMENT.ENVOBJID = KESSTATE.ENVOBJID WHERE KESENVIRONMENT.ENVIRONMENTNAME = '%s' "
    "AND KESSTATE.STATENAME = '%s' GROUP BY KESENVIRONMENT.ENVIRONMENTNAME, "
    "KESSTATE.STATENAME, KESVERSIONS.ITEMOBJID ) MAXVERSIONS ON KESVERSIONS.VERSIONOBJID = "
    "MAXVERSIONS.Max_VERSIONOBJID ";

constexpr char kTargetExistsFormat[] =
    "SELECT (SELECT COUNT(*) FROM KESENVIRONMENT WHERE KESENVIRONMENT.ENVIRONMENTNAME = '%s') "
    "AS PROJECTS, (SELECT COUNT(*) FROM KESSTATE INNER JOIN KESENVIRONMENT ON "
    "KESENVIRONMENT.ENVOBJID = KESSTATE.ENVOBJID WHERE KESENVIRONMENT.ENVIRONMENTNAME = '%s' "
    "AND KESSTATE.STATENAME = '%s') AS STATES, (SELECT COUNT(*) FROM KESPACKAGE INNER JOIN "
    "KESENVIRONMENT ON KESENVIRONMENT.ENVOBJID = KESPACKAGE.ENVOBJID INNER JOIN KESSTATE ON "
    "KESSTATE.STATEOBJID = KESPACKAGE.STATEOBJID WHERE KESENVIRONMENT.ENVIRONMENTNAME = '%s' "
    "AND KESSTATE.STATENAME = '%s' AND KESPACKAGE.PACKAGENAME = '%s') AS PACKAGES";

using Field = std::string CTFObj::*;
constexpr Field kFields[kTargetFieldCount] = {
    &CTFObj::itemName,        &CTFObj::pathFullName,    &CTFObj::mappedVersion,
    &CTFObj::itemType,        &CTFObj::versionStatus,   &CTFObj::itemObjId,
    &CTFObj::versionObjId,    &CTFObj::packageObjId,    &CTFObj::parentVersionId,
    &CTFObj::mergedVersionId, &CTFObj::inBranch,        &CTFObj::ancestorVersionId,
    &CTFObj::refactor,        &CTFObj::refactorBy,      &CTFObj::creator,
    &CTFObj::creationTime,    &CTFObj::modifier,        &CTFObj::modifiedTime,
    &CTFObj::clientMachine,   &CTFObj::clientPath,      &CTFObj::dataSize,
    &CTFObj::refCounter,      &CTFObj::compDataSize,    &CTFObj::fileAccess,
    &CTFObj::textFile,        &CTFObj::isDataInChunks,  &CTFObj::packageName,
    &CTFObj::stateName,       &CTFObj::environmentName, &CTFObj::result,
};

// Characters a line of the file cannot carry: the line feed and carriage return end it, and a
// zero character is read back as a blank.
bool HasLineBreak(const std::string& text) {
    return text.find_first_of(std::string("\n\r\0", 3)) != std::string::npos;
}

}  // namespace

std::string& TargetField(CTFObj& record, size_t index) {
    return record.*kFields[index];
}

const std::string& TargetField(const CTFObj& record, size_t index) {
    return record.*kFields[index];
}

std::string TargetStatement(const std::string& project, const std::string& state) {
    return FormatStatement(kTargetStatementFormat, {project, state});
}

std::string TargetExistsStatement(const std::string& project, const std::string& state,
                                  const std::string& package) {
    return FormatStatement(kTargetExistsFormat, {project, project, state, project, state, package});
}

std::string MissingTargetMessage(const std::string& row, const std::string& project,
                                 const std::string& state, const std::string& package) {
    // Each count must read as a plain positive number; anything else (a missing column, an
    // answer that is not a count) counts as not found, so that nothing is analysed against it.
    auto found = [&row](size_t column) {
        size_t from = 0;
        for (size_t i = 0; i < column; ++i) {
            from = row.find('\t', from);
            if (from == std::string::npos) return false;
            ++from;
        }
        const size_t end = std::min(row.find('\t', from), row.size());
        const std::string count = row.substr(from, end - from);
        return !count.empty() && count.find_first_not_of("0123456789") == std::string::npos &&
               count.find_first_not_of('0') != std::string::npos;
    };
    if (!found(0)) return "Target project '" + project + "' not found.";
    if (!found(1)) return "Target state '" + state + "' not found in project '" + project + "'.";
    if (!found(2))
        return "Target package '" + package + "' not found in project '" + project + "', state '" +
               state + "'.";
    return {};
}

CTFObj TargetRowRecord(const std::string& row) {
    CTFObj record;
    size_t from = 0;
    for (size_t i = 0; i < kTargetQueryColumns; ++i) {
        const size_t tab = row.find('\t', from);
        std::string& field = TargetField(record, i);
        field.assign(row, from, tab == std::string::npos ? std::string::npos : tab - from);
        if (field.empty()) field = " ";
        if (tab == std::string::npos) break;
        from = tab + 1;
    }
    return record;
}

std::optional<std::string> TargetRecordLine(const CTFObj& record) {
    std::string line;
    for (size_t i = 0; i < kTargetFieldCount; ++i) {
        const std::string& field = TargetField(record, i);
        if (HasLineBreak(field)) return std::nullopt;
        line += field;
        line += ',';
    }
    // A longer line would come back as two; commas inside fields and empty fields before
    // filled ones would move the following fields.
    if (line.size() > kResultReadSize || !(TargetRecordFromLine(line) == record))
        return std::nullopt;
    return line;
}

CTFObj TargetRecordFromLine(const std::string& line) {
    CTFObj record;
    size_t index = 0;
    size_t from = 0;
    while (index < kTargetFieldCount && from < line.size()) {
        size_t comma = line.find(',', from);
        if (comma == std::string::npos) comma = line.size();
        if (comma > from) TargetField(record, index++).assign(line, from, comma - from);
        from = comma + 1;
    }
    return record;
}

bool TargetHeaderSurvives(const std::string& value) {
    return !value.empty() && !HasLineBreak(value) && value.size() <= kResultReadSize;
}

}  // namespace qv
