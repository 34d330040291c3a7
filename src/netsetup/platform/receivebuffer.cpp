#include "receivebuffer.h"

#include <sys/socket.h>

namespace {

int Granted(int socket)
{
    int granted = 0;
    socklen_t length = sizeof granted;
    return ::getsockopt(socket, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0 ? granted : 0;
}

} // namespace

int EnlargeReceiveBuffer(qintptr descriptor, int bytes)
{
    const int socket = static_cast<int>(descriptor);
    ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    // The kernel doubles what it accepts; less than asked means the ceiling cut it.
    if (Granted(socket) / 2 < bytes)
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes); // refused without the right: kept as is
    return Granted(socket);
}
