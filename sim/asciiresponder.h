#pragma once

#include "asciisettings.h"

#include <QByteArray>
#include <chrono>

// The ASCII front end's answer to one request, and when it goes out.
struct AsciiAnswer {
    QByteArray reply;
    std::chrono::milliseconds delay{0};
};

// Answers one request (STX ... ETX, as one datagram or one piece of a
// stream up to its ETX) from the tag table. Pure. Every error letter has a
// way to it: S no STX first, N no ETX last or a header that is not six
// digits of a known protocol, C a wrong protocol-1 checksum, X another
// station, L an empty or too long item name, O several names (a comma),
// I an unknown name, and the table's own letters (D, M, T, V and any other).
AsciiAnswer AnswerAsciiRequest(const AsciiSettings& settings, const QByteArray& request);

// The reply carrying an error letter: NAK, the six characters echoed, the
// letter, ETX.
QByteArray AsciiErrorReply(const QByteArray& echo, char letter);
