#pragma once

#include <QtGlobal>

// Asks the kernel for a receive buffer of this many bytes on the socket.
// Where the system's ceiling (net.core.rmem_max) is lower, a process with the
// right to (CAP_NET_ADMIN) goes past it; others keep the ceiling. Gives the
// size the kernel granted, as it reports it (it counts its own bookkeeping,
// so about twice what it accepted), or 0 when it cannot be read.
int EnlargeReceiveBuffer(qintptr socket, int bytes);
