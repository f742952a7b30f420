#include "interface/http_exchange.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <utility>

namespace tivka::test {

namespace {

std::size_t contentLength(const std::string& head)
{
    for (const char* name : {"Content-Length:", "content-length:"})
        if (const std::size_t at = head.find(name); at != std::string::npos)
            return std::strtoul(head.c_str() + at + std::strlen(name), nullptr, 10);
    return std::string::npos;
}

}  // namespace

HttpConnection::HttpConnection(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval patience{30, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

HttpConnection::~HttpConnection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool HttpConnection::send(const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}

HttpAnswer HttpConnection::receive()
{
    std::string& in = pending_;
    const auto more = [&] {
        char buffer[16384];
        const ssize_t n = fd_ < 0 ? -1 : ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0)
            in.append(buffer, std::size_t(n));
        return n > 0;
    };
    std::size_t headEnd;
    while ((headEnd = in.find("\r\n\r\n")) == std::string::npos)
        if (!more())
            return {0, "", std::exchange(in, "")};
    const std::string head = in.substr(0, headEnd + 4);
    const std::size_t length = contentLength(head);
    while (length == std::string::npos ? more() : in.size() < head.size() + length && more()) {
    }
    const std::size_t end = length == std::string::npos ? in.size() : std::min(in.size(), head.size() + length);
    HttpAnswer answer{0, in.substr(head.size(), end - head.size()), in.substr(0, end)};
    in.erase(0, end);
    if (head.rfind("HTTP/1.", 0) == 0 && head.size() > 12)
        answer.status = std::atoi(head.c_str() + 9);
    return answer;
}

std::string RequestText(const std::string& method, const std::string& target, const std::string& extraHeaders)
{
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "Connection: close\r\n\r\n";
}

HttpAnswer Exchange(int port, const std::string& method, const std::string& target)
{
    HttpConnection connection(port);
    if (!connection.connected() || !connection.send(RequestText(method, target)))
        return {};
    return connection.receive();
}

}  // namespace tivka::test
