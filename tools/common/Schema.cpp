#include "tools/common/Schema.h"

namespace qv::tools {
namespace {

// Object identifiers are integers from one sequence shared by all objects; names, mapped
// versions and tags are text; times are text "YYYY-MM-DD HH:MM:SS".
const char* const kTables = R"sql(
CREATE TABLE KESENVIRONMENT (
    ENVOBJID        INTEGER PRIMARY KEY,
    ENVIRONMENTNAME TEXT NOT NULL UNIQUE
);
CREATE TABLE KESSTATE (
    STATEOBJID INTEGER PRIMARY KEY,
    ENVOBJID   INTEGER NOT NULL,
    STATENAME  TEXT NOT NULL,
    STATEORDER INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE KESPACKAGE (
    PACKAGEOBJID INTEGER PRIMARY KEY,
    ENVOBJID     INTEGER NOT NULL,
    STATEOBJID   INTEGER NOT NULL,
    PACKAGENAME  TEXT NOT NULL
);
CREATE TABLE KESITEMNAME (
    NAMEOBJID     INTEGER PRIMARY KEY,
    ITEMNAME      TEXT NOT NULL,
    ITEMNAMEUPPER TEXT NOT NULL
);
CREATE TABLE KESPATHFULLNAME (
    VERSIONOBJID INTEGER PRIMARY KEY,
    PATHFULLNAME TEXT NOT NULL
);
CREATE TABLE KESVERSIONDATA (
    VERSIONDATAOBJID INTEGER PRIMARY KEY,
    DATASIZE         INTEGER NOT NULL DEFAULT 0,
    COMPDATASIZE     INTEGER NOT NULL DEFAULT 0,
    REFCOUNTER       INTEGER NOT NULL DEFAULT 1,
    FILEACCESS       INTEGER NOT NULL DEFAULT 0,
    TEXTFILE         INTEGER NOT NULL DEFAULT 1,
    ISDATAINCHUNKS   INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE KESALLUSERS (
    USROBJID INTEGER PRIMARY KEY,
    USERNAME TEXT NOT NULL UNIQUE
);
CREATE TABLE KESVERSIONS (
    VERSIONOBJID      INTEGER PRIMARY KEY,
    ITEMOBJID         INTEGER NOT NULL,
    ITEMNAMEID        INTEGER NOT NULL,
    PATHVERSIONID     INTEGER NOT NULL,
    PACKAGEOBJID      INTEGER NOT NULL,
    VERSIONDATAOBJID  INTEGER NOT NULL,
    PARENTVERSIONID   INTEGER NOT NULL DEFAULT 0,
    MERGEDVERSIONID   INTEGER NOT NULL DEFAULT 0,
    ANCESTORVERSIONID INTEGER NOT NULL DEFAULT 0,
    MAPPEDVERSION     TEXT NOT NULL,
    ITEMTYPE          INTEGER NOT NULL DEFAULT 1,
    VERSIONSTATUS     TEXT NOT NULL DEFAULT 'N',
    INBRANCH          INTEGER NOT NULL DEFAULT 0,
    REFACTOR          INTEGER NOT NULL DEFAULT 0,
    REFACTOR_BY       INTEGER NOT NULL DEFAULT 0,
    CREATORID         INTEGER NOT NULL,
    CREATIONTIME      TEXT NOT NULL,
    MODIFIERID        INTEGER NOT NULL,
    MODIFIEDTIME      TEXT NOT NULL,
    CLIENTMACHINE     TEXT,
    CLIENTPATH        TEXT
);
CREATE TABLE KESVIEW (
    VIEWOBJID  INTEGER PRIMARY KEY,
    ENVOBJID   INTEGER NOT NULL,
    STATEOBJID INTEGER NOT NULL DEFAULT 0,
    VIEWNAME   TEXT NOT NULL DEFAULT ''
);
CREATE TABLE KESVERSIONINVIEW (
    VIEWOBJID    INTEGER NOT NULL,
    VERSIONOBJID INTEGER NOT NULL,
    PRIMARY KEY (VIEWOBJID, VERSIONOBJID)
) WITHOUT ROWID;
CREATE TABLE TKFILEDATA (
    VERSIONDATAOBJID INTEGER PRIMARY KEY,
    CONTENT          BLOB NOT NULL
);
CREATE TABLE TKCREDENTIALS (
    USERNAME TEXT PRIMARY KEY,
    PWHASH   TEXT NOT NULL
);
CREATE TABLE TKMETA (
    KEY   TEXT PRIMARY KEY,
    VALUE TEXT NOT NULL
);
INSERT INTO TKMETA (KEY, VALUE) VALUES ('schema', '1');
INSERT INTO TKMETA (KEY, VALUE) VALUES ('nextobjid', '1001');
)sql";

// Secondary indexes, each named so that it can be dropped for a measurement.
const char* const kIndexes[][2] = {
    {"KESSTATE_ENV", "KESSTATE (ENVOBJID, STATENAME)"},
    {"KESPACKAGE_ENV", "KESPACKAGE (ENVOBJID, PACKAGENAME)"},
    {"KESPACKAGE_STATE", "KESPACKAGE (STATEOBJID, PACKAGENAME)"},
    {"KESITEMNAME_UPPER", "KESITEMNAME (ITEMNAMEUPPER)"},
    {"KESITEMNAME_NAME", "KESITEMNAME (ITEMNAME)"},
    {"KESVERSIONS_ITEM", "KESVERSIONS (ITEMOBJID, VERSIONOBJID)"},
    {"KESVERSIONS_PACKAGE", "KESVERSIONS (PACKAGEOBJID, ITEMOBJID)"},
    {"KESVERSIONS_PARENT", "KESVERSIONS (PARENTVERSIONID)"},
    {"KESVERSIONS_NAME", "KESVERSIONS (ITEMNAMEID)"},
    {"KESVIEW_ENV", "KESVIEW (ENVOBJID)"},
};

}  // namespace

const char* SchemaSql() {
    return kTables;
}

std::vector<std::pair<std::string, std::string>> IndexDefinitions() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& ix : kIndexes) out.emplace_back(ix[0], ix[1]);
    return out;
}

const std::vector<std::string>& ScmTableNames() {
    static const std::vector<std::string> names = {
        "KESENVIRONMENT", "KESSTATE",    "KESPACKAGE",  "KESITEMNAME", "KESPATHFULLNAME",
        "KESVERSIONDATA", "KESALLUSERS", "KESVERSIONS", "KESVIEW",     "KESVERSIONINVIEW"};
    return names;
}

bool CreateSchema(Db& db, bool withIndexes, std::string& error) {
    if (db.HasTable("KESVERSIONS") || db.HasTable(kMetaTable)) {
        error = "the repository already holds tables";
        return false;
    }
    Transaction tx(db);
    if (!tx.ok()) {
        error = db.LastError();
        return false;
    }
    if (!db.Exec(kTables, error)) return false;
    if (withIndexes && !CreateIndexes(db, error)) return false;
    return tx.Commit(error);
}

bool CreateIndexes(Db& db, std::string& error) {
    for (const auto& ix : kIndexes) {
        if (!db.Exec(std::string("CREATE INDEX IF NOT EXISTS ") + ix[0] + " ON " + ix[1], error))
            return false;
    }
    return true;
}

bool DropIndexes(Db& db, std::string& error) {
    for (const auto& ix : kIndexes) {
        if (!db.Exec(std::string("DROP INDEX IF EXISTS ") + ix[0], error)) return false;
    }
    return true;
}

bool HasSchema(Db& db) {
    for (const std::string& t : ScmTableNames())
        if (!db.HasTable(t)) return false;
    return db.HasTable(kFileDataTable) && db.HasTable(kCredentialsTable);
}

}  // namespace qv::tools
