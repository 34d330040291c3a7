#pragma once

#include "connectionparts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

// The connection parts of a test: logging, without pacing.
struct LinkParts : ConnectionParts {
    LinkParts()
    {
        log.SetDebugLogging(true);
        link.BusDelay = std::chrono::milliseconds(0);
    }

    // Opens the connection; a failure says the socket's words.
    ::testing::AssertionResult Open(const ConnectionRequest& request)
    {
        if (connection.OpenConnection(request, std::chrono::milliseconds(5000)))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "not open: " << connection.LastSocketError().toStdString();
    }

    // Opens the connection to a port of loopback.
    ::testing::AssertionResult OpenNetwork(quint16 port, bool udp)
    {
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = port;
        request.udp = udp;
        return Open(request);
    }

    // Some line of the log holds the text.
    bool Logged(const QString& text) const
    {
        const QStringList& lines = log.Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(text); });
    }
};
