#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// One result of an operation: named fields in order, or a failure. A field
// holds text, a number or a yes/no (bool); an empty QVariant is a value
// that is not there ("-" in text, null in JSON).
struct CliResult {
    enum class Outcome { Ok, DeviceFailure, UsageOrFile };
    Outcome outcome = Outcome::Ok;
    QList<QPair<QString, QVariant>> fields;
    QString error; // one line saying what failed
    bool printedOnFailure = false; // the fields are reported on a failure too (an interrupted scan's summary)

    void Add(const QString& key, const QVariant& value) { fields.append({key, value}); }
    void Add(const QString& key, const char* value) { Add(key, QString::fromUtf8(value)); }
    bool Ok() const { return outcome == Outcome::Ok; }
    static CliResult Failure(Outcome outcome, const QString& error)
    {
        CliResult result;
        result.outcome = outcome;
        result.error = error;
        return result;
    }
};

// "key=value key=value", or a JSON object on one line: numbers as JSON
// numbers, yes/no as booleans.
QString FormatResult(const CliResult& result, bool json);

// One value as text output shows it: yes/no for a bool, "-" for none,
// quoted when it holds a blank.
QString TextValue(const QVariant& value);
// One value as JSON.
class QJsonValue;
QJsonValue JsonValue(const QVariant& value);

// "runs=N ok=N failed=N per_second=R median_ms=M", or the same as JSON.
QString FormatSummary(int runs, int ok, double perSecond, double medianMs, bool json);

// Exit status of a result: 0 ok, 1 device failure, 2 usage or file.
int ExitStatus(CliResult::Outcome outcome);
