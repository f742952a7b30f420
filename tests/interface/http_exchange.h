#pragma once

// HTTP on loopback as a client writes it, byte for byte, so that the tests
// can send what a well-behaved library never would (a megabyte of header,
// two hundred connections at once) and see exactly what comes back.
#include <string>
#include <vector>

namespace tivka::test {

struct HttpAnswer {
    int status = 0;  // 0: no status line came back
    std::string body;
    std::string raw;  // everything received
};

// A connection to 127.0.0.1:`port`. Every wait on it gives up after 30
// seconds (a receive then ends as if the server had closed), so that a server
// that never answers fails the test instead of holding it.
class HttpConnection {
public:
    explicit HttpConnection(int port);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    bool connected() const { return fd_ >= 0; }
    // Sends all of `bytes`; false when the server closed before taking them.
    bool send(const std::string& bytes);
    // Reads one answer: its headers, then Content-Length bytes of body (or
    // everything until the server closes when there is no length).
    HttpAnswer receive();

private:
    int fd_ = -1;
    std::string pending_;  // received beyond the last answer
};

// "METHOD target HTTP/1.1" with a Host header and `extraHeaders` (each ending
// in CRLF), closing the connection after the answer.
std::string RequestText(const std::string& method, const std::string& target, const std::string& extraHeaders = "");

// One request on a fresh connection.
HttpAnswer Exchange(int port, const std::string& method, const std::string& target);
inline HttpAnswer Get(int port, const std::string& target) { return Exchange(port, "GET", target); }

}  // namespace tivka::test
