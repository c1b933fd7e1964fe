#include "tools/common/Credentials.h"

#include <sodium.h>

#include <cstring>

namespace qv::tools {
namespace {

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

const std::string& DummyPasswordHash() {
    static std::string hash = [] {
        std::string h;
        HashPassword("\x01unknown-user\x01", h);
        return h;
    }();
    return hash;
}

bool HashPassword(const std::string& password, std::string& hash) {
    if (!SodiumReady()) return false;
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password.data(), password.size(), kPasswordOpsLimit,
                              kPasswordMemLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return false;
    hash = out;
    return true;
}

bool VerifyPassword(const std::string& hash, const std::string& password) {
    if (!SodiumReady()) return false;
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES ||
        hash.find('\0') != std::string::npos)
        return false;
    char buf[crypto_pwhash_STRBYTES] = {};
    std::memcpy(buf, hash.data(), hash.size());
    return crypto_pwhash_str_verify(buf, password.data(), password.size()) == 0;
}

bool IsValidUserName(const std::string& user) {
    if (user.empty() || user.size() > 64) return false;
    for (unsigned char c : user)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

bool AllocateObjectId(Db& db, long long& id, std::string& error) {
    Stmt get = db.Prepare("SELECT VALUE FROM TKMETA WHERE KEY = 'nextobjid'", error);
    if (!get) return false;
    id = 1;
    int rc = get.Step();
    if (rc == SQLITE_ROW) {
        id = get.Int(0);
    } else if (rc != SQLITE_DONE) {
        error = db.LastError();
        return false;
    }
    Stmt put = db.Prepare(
        "INSERT INTO TKMETA (KEY, VALUE) VALUES ('nextobjid', ?1) "
        "ON CONFLICT(KEY) DO UPDATE SET VALUE = excluded.VALUE",
        error);
    if (!put) return false;
    put.Bind(1, static_cast<int64_t>(id + 1));
    if (!put.Run()) {
        error = db.LastError();
        return false;
    }
    return true;
}

bool HashNewCredentials(const std::string& user, const std::string& password, std::string& hash,
                        std::string& error) {
    if (!IsValidUserName(user)) {
        error = "invalid user name";
        return false;
    }
    if (password.empty()) {
        error = "the password must not be empty";
        return false;
    }
    if (!HashPassword(password, hash)) {
        error = "cannot hash the password";
        return false;
    }
    return true;
}

bool SetUserPassword(Db& db, const std::string& user, const std::string& password,
                     std::string& error) {
    std::string hash;
    if (!HashNewCredentials(user, password, hash, error)) return false;
    Transaction tx(db);
    if (!tx.ok()) {
        error = db.LastError();
        return false;
    }
    Stmt put = db.Prepare(
        "INSERT INTO TKCREDENTIALS (USERNAME, PWHASH) VALUES (?1, ?2) "
        "ON CONFLICT(USERNAME) DO UPDATE SET PWHASH = excluded.PWHASH",
        error);
    if (!put) return false;
    put.Bind(1, user).Bind(2, hash);
    if (!put.Run()) {
        error = db.LastError();
        return false;
    }
    Stmt known = db.Prepare("SELECT 1 FROM KESALLUSERS WHERE USERNAME = ?1", error);
    if (!known) return false;
    known.Bind(1, user);
    if (known.Step() != SQLITE_ROW) {
        long long id = 0;
        if (!AllocateObjectId(db, id, error)) return false;
        Stmt add =
            db.Prepare("INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (?1, ?2)", error);
        if (!add) return false;
        add.Bind(1, static_cast<int64_t>(id)).Bind(2, user);
        if (!add.Run()) {
            error = db.LastError();
            return false;
        }
    }
    return tx.Commit(error);
}

LoginResult CheckLogin(Db& db, const std::string& user, const std::string& password,
                       std::string& error) {
    Stmt st = db.Prepare("SELECT PWHASH FROM TKCREDENTIALS WHERE USERNAME = ?1", error);
    if (!st) return LoginResult::Failed;
    st.Bind(1, user);
    int rc = st.Step();
    if (rc == SQLITE_ROW) {
        return VerifyPassword(st.Text(0), password) ? LoginResult::Accepted : LoginResult::Refused;
    }
    if (rc != SQLITE_DONE) {
        error = db.LastError();
        return LoginResult::Failed;
    }
    VerifyPassword(DummyPasswordHash(), password);
    return LoginResult::Refused;
}

}  // namespace qv::tools
