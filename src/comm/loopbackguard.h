#pragma once

#include <QHostAddress>
#include <QString>

// Demo mode promises that nothing leaves the machine. The gateways a user
// types or the simulated ones report could still name an address on a real
// network, so while the guard is on every datagram and connection to an
// address outside 127.0.0.0/8 is refused before anything is sent.
// Process-wide on purpose: the sockets that send sit deep in operations
// shared with the command-line tool, which never turns it on.
void KeepTrafficOnLoopback(const QString& refusalText);
// Turns the guard off again, when the demo is left for the real site.
void LetTrafficLeaveTheMachine();

// Empty when the address may be sent to; otherwise the refusal text.
QString RefusedDestination(const QHostAddress& address);
// The same for an address as typed; a host name is refused while the guard
// is on, as even looking it up would ask a name server.
QString RefusedDestination(const QString& host);
