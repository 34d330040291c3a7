#include "settingkeys.h"

namespace ini {

namespace {

QString TypeName(SearchGateway type)
{
    return type == SearchGateway::Aspen ? QStringLiteral("Aspen") : QStringLiteral("Birch");
}

// The dialog's defaults, by speed: SND_NKE then RSP_UD2.
QString DialogDefault(const QString& baud, SearchGateway type, bool sndNke)
{
    struct Row {
        const char* baud;
        const char* aspenSnd;
        const char* aspenRsp;
        const char* birchSnd;
        const char* birchRsp;
    };
    static constexpr Row kRows[] = {
        {"300", "3000", "10000", "4000", "10000"},
        {"2400", "1500", "3000", "4000", "5000"},
        {"9600", "700", "3000", "4000", "5000"},
    };
    for (const Row& row : kRows) {
        if (baud == QLatin1String(row.baud)) {
            const bool aspen = type == SearchGateway::Aspen;
            return QString::fromLatin1(sndNke ? (aspen ? row.aspenSnd : row.birchSnd)
                                              : (aspen ? row.aspenRsp : row.birchRsp));
        }
    }
    return sndNke ? QStringLiteral("1000") : QStringLiteral("10000");
}

} // namespace

IniKey SearchSndNkeTimeout(const QString& baud, SearchGateway type)
{
    return {QStringLiteral("Search"), QStringLiteral("SND_NKE_Timeout_") + baud + u'_' + TypeName(type), QStringLiteral("1000")};
}

IniKey SearchRspUd2Timeout(const QString& baud, SearchGateway type)
{
    return {QStringLiteral("Search"), QStringLiteral("RSP_UD2_Timeout_") + baud + u'_' + TypeName(type), QStringLiteral("10000")};
}

IniKey SearchSndNkeTimeoutDialog(const QString& baud, SearchGateway type)
{
    IniKey key = SearchSndNkeTimeout(baud, type);
    key.defaultValue = DialogDefault(baud, type, true);
    return key;
}

IniKey SearchRspUd2TimeoutDialog(const QString& baud, SearchGateway type)
{
    IniKey key = SearchRspUd2Timeout(baud, type);
    key.defaultValue = DialogDefault(baud, type, false);
    return key;
}

} // namespace ini
