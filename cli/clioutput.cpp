#include "clioutput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

QString TextValue(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("-");
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    const QString text = value.toString();
    // Values with blanks are quoted so a script can split the line at blanks.
    if (!text.isEmpty() && !text.contains(u' ') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + quoted + u'"';
}

QJsonValue JsonValue(const QVariant& value)
{
    if (!value.isValid())
        return QJsonValue(QJsonValue::Null);
    return QJsonValue::fromVariant(value);
}

QString FormatResult(const CliResult& result, bool json)
{
    if (json) {
        QJsonObject object;
        object.insert(QStringLiteral("ok"), result.Ok());
        for (const auto& [key, value] : result.fields)
            object.insert(key, JsonValue(value));
        if (!result.Ok())
            object.insert(QStringLiteral("error"), result.error);
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    // built in place: a repeated read prints its lines at the pace of the device
    QString line;
    line.reserve(32 * result.fields.size());
    for (qsizetype i = 0; i < result.fields.size(); ++i) {
        if (i > 0)
            line += u' ';
        line += result.fields[i].first;
        line += u'=';
        line += TextValue(result.fields[i].second);
    }
    return line;
}

QString FormatSummary(int runs, int ok, double perSecond, double medianMs, bool json)
{
    if (json) {
        QJsonObject object{{QStringLiteral("runs"), runs},
                           {QStringLiteral("ok"), ok},
                           {QStringLiteral("failed"), runs - ok},
                           {QStringLiteral("per_second"), perSecond},
                           {QStringLiteral("median_ms"), medianMs}};
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    return QStringLiteral("runs=%1 ok=%2 failed=%3 per_second=%4 median_ms=%5")
        .arg(runs)
        .arg(ok)
        .arg(runs - ok)
        .arg(perSecond, 0, 'f', 1)
        .arg(medianMs, 0, 'f', 3);
}

int ExitStatus(CliResult::Outcome outcome)
{
    switch (outcome) {
    case CliResult::Outcome::Ok:
        return 0;
    case CliResult::Outcome::DeviceFailure:
        return 1;
    case CliResult::Outcome::UsageOrFile:
        break;
    }
    return 2;
}
