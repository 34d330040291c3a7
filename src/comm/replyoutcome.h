#pragma once

#include <QByteArray>
#include <QString>

// How one request's wait for its reply ended, in the same words for every
// protocol the gateway speaks (M-Bus, Modbus, ASCII): the pages, the
// command-line tool and the benches read this, not empty bytes.
struct ReplyOutcome {
    enum class Kind {
        NotRun,      // no wait: no open connection, or another device operation runs
        Cancelled,   // the running operation was cancelled before a reply came
        Closed,      // the connection closed (or was not open) before a reply came
        Timeout,     // no whole reply within the timeout
        DeviceError, // the device answered with a refusal (a NAK, a Modbus exception)
        BadReply,    // a whole reply that fails the protocol's check (checksum, identifier)
        Reply,       // a good reply
    };
    Kind kind = Kind::NotRun;
    QByteArray bytes; // the reply; after a wait without one, the bytes it held
    // Without a reply the timeout note, with a device error or a bad reply
    // its text, with a reply what the protocol shows for one (empty for M-Bus).
    QString note;

    // The device answered before the timeout, well, badly or with a refusal.
    bool Answered() const { return kind == Kind::DeviceError || kind == Kind::BadReply || kind == Kind::Reply; }
    // A wait ran and no reply came: the note says what was heard instead.
    bool Missed() const { return kind == Kind::Cancelled || kind == Kind::Closed || kind == Kind::Timeout; }
};

// What a protocol made of the bytes its wait ended with, handed to the
// common end of every wait (Link::EndReplyWait).
struct HeardReply {
    ReplyOutcome::Kind kind = ReplyOutcome::Kind::Timeout; // Reply, DeviceError, or Timeout when none came whole
    qsizetype length = 0; // with an answer: how many of the held bytes are it
    QString note;         // as ReplyOutcome::note
};
