// The least a new server session can cost, measured without any client library: a Unix-socket
// connection, the start-up message of the frontend/backend protocol (version 3) for a role the
// cluster trusts, and optionally one statement as a simple query, then Terminate. Whatever a
// tool does on top (loading a client library, checking the login, setting up its transaction)
// comes on top of this floor. Only what the benchmark needs: no authentication exchange, no
// TLS, results not decoded beyond the error and ready-for-query messages.
#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace benchtools {

class PgWireSession {
public:
    ~PgWireSession() {
        if (fd_ >= 0) {
            static const char terminate[] = {'X', 0, 0, 0, 4};
            (void)!write(fd_, terminate, sizeof terminate);
            close(fd_);
        }
    }

    // Connects to the cluster's socket in `socketDir` and starts a session; false with `error`
    // set when the server refuses (an authentication request counts as a refusal here).
    bool Start(const std::string& socketDir, const std::string& user, const std::string& database,
               std::string& error) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = socketDir + "/.s.PGSQL.5432";
        if (path.size() >= sizeof addr.sun_path) return Fail("socket path too long", error);
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            return Fail("cannot connect to " + path, error);
        std::string body;
        AppendInt(body, 196608);  // protocol 3.0
        for (const std::string& s : {std::string("user"), user, std::string("database"), database})
            body.append(s).push_back('\0');
        body.push_back('\0');
        std::string message;
        AppendInt(message, static_cast<uint32_t>(body.size() + 4));
        message += body;
        return Send(message, error) && WaitReady(error);
    }

    // Runs `sql` as a simple query; false with `error` set on an error response.
    bool Query(const std::string& sql, std::string& error) {
        std::string message = "Q";
        AppendInt(message, static_cast<uint32_t>(sql.size() + 5));
        message += sql;
        message.push_back('\0');
        return Send(message, error) && WaitReady(error);
    }

private:
    static void AppendInt(std::string& out, uint32_t v) {
        const uint32_t be = htonl(v);
        out.append(reinterpret_cast<const char*>(&be), 4);
    }
    static bool Fail(const std::string& why, std::string& error) {
        error = why;
        return false;
    }
    bool Send(const std::string& message, std::string& error) {
        size_t done = 0;
        while (done < message.size()) {
            const ssize_t n = write(fd_, message.data() + done, message.size() - done);
            if (n <= 0) return Fail("the server closed the connection", error);
            done += static_cast<size_t>(n);
        }
        return true;
    }
    bool ReadExactly(char* out, size_t size) {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = read(fd_, out + done, size - done);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    // Reads messages up to ReadyForQuery; an error or an authentication request fails.
    bool WaitReady(std::string& error) {
        bool failed = false;
        for (;;) {
            char head[5];
            if (!ReadExactly(head, sizeof head))
                return Fail("the server closed the connection", error);
            uint32_t length;
            std::memcpy(&length, head + 1, 4);
            length = ntohl(length);
            if (length < 4 || length > (1u << 30)) return Fail("malformed message", error);
            std::string body(length - 4, '\0');
            if (!ReadExactly(body.data(), body.size()))
                return Fail("the server closed the connection", error);
            if (head[0] == 'E') {
                failed = true;
                error = "server error";
            } else if (head[0] == 'R' && body.size() >= 4 && body.compare(0, 4, "\0\0\0\0", 4)) {
                return Fail("the server asks for a password", error);
            } else if (head[0] == 'Z') {
                return !failed;
            }
        }
    }

    int fd_ = -1;
};

}  // namespace benchtools
