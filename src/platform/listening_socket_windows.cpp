// The Windows implementation of the listening socket's options.
#include "platform/listening_socket.h"

#include <winsock2.h>

#include <string>

#include "platform/windows_text.h"

namespace tivka {

// The HTTP library hands Windows' SOCKET over as an int; socket handles are
// small numbers, so nothing is lost.

void SetListeningSocketOptions(int socket)
{
    // On Windows SO_REUSEADDR would let a second server take over the port;
    // exclusive use is what keeps it from being shared. A listening port is
    // free again at once after its server ends without any option.
    const BOOL yes = TRUE;
    ::setsockopt(SOCKET(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
}

Status WidenListenBacklog(int socket, int backlog)
{
    if (::listen(SOCKET(socket), backlog) == 0)
        return {};
    return Status(Status::Code::IoError, "socket " + std::to_string(socket), windows::ErrorText(::WSAGetLastError()));
}

}  // namespace tivka
