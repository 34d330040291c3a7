#pragma once

#include <QString>
#include <QStringList>
#include <chrono>

// One run of ostrand-cli as a child process, while this process's event
// loop keeps serving the peers it talks to.
struct CliRun {
    int status = -1; // the exit status; -1 when it crashed or hung
    QString out;
    QString err;
    QStringList lines; // standard output's non-empty lines
};

// interruptAfter: sends it SIGINT (Ctrl-C) this long after the start.
CliRun RunCli(QStringList arguments, const QString& appDir,
              std::chrono::milliseconds limit = std::chrono::milliseconds(30000),
              std::chrono::milliseconds interruptAfter = std::chrono::milliseconds(0));
