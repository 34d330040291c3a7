#pragma once

#include <QList>
#include <QPair>
#include <QString>

// One result of an operation: named fields in order, or a failure.
struct CliResult {
    enum class Outcome { Ok, DeviceFailure, UsageOrFile };
    Outcome outcome = Outcome::Ok;
    QList<QPair<QString, QString>> fields;
    QString error; // one line saying what failed

    void Add(const QString& key, const QString& value) { fields.append({key, value}); }
    bool Ok() const { return outcome == Outcome::Ok; }
    static CliResult Failure(Outcome outcome, const QString& error)
    {
        CliResult result;
        result.outcome = outcome;
        result.error = error;
        return result;
    }
};

// "key=value key=value", or a JSON object on one line.
QString FormatResult(const CliResult& result, bool json);

// "runs=N ok=N failed=N per_second=R median_ms=M", or the same as JSON.
QString FormatSummary(int runs, int ok, double perSecond, double medianMs, bool json);

// Exit status of a result: 0 ok, 1 device failure, 2 usage or file.
int ExitStatus(CliResult::Outcome outcome);
