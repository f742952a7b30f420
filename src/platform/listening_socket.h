#pragma once

#include "platform/status.h"

namespace tivka {

// What a server of this program sets on its listening socket, through the
// socket option hook its HTTP library offers.

// Set before the socket is bound: its address may be bound again at once
// after the server ends (SO_REUSEADDR), but it is never shared with another
// listener (no SO_REUSEPORT), so that a second server on a port in use fails
// to bind instead of silently taking part of the first one's connections.
void SetListeningSocketOptions(int socket);

// On a socket that listens already: lets up to `backlog` connections wait to
// be accepted (a library that listens with a backlog of 5 would otherwise
// drop a burst of connection requests, each then retried a second later).
// IoError with the system's reason when the system refuses.
Status WidenListenBacklog(int socket, int backlog);

}  // namespace tivka
