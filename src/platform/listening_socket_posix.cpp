#include "platform/listening_socket.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tivka {

void SetListeningSocketOptions(int socket)
{
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

Status WidenListenBacklog(int socket, int backlog)
{
    if (::listen(socket, backlog) == 0)
        return {};
    return Status(Status::Code::IoError, "socket " + std::to_string(socket), std::strerror(errno));
}

}  // namespace tivka
