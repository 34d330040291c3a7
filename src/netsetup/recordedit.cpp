#include "recordedit.h"

#include "netsetuptexts.h"
#include "base/language.h"

namespace {

QString YesNo(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool IsAddress(int fieldText)
{
    return fieldText == netsetuptext::kIPAddress || fieldText == netsetuptext::kGateway
        || fieldText == netsetuptext::kNetMask || fieldText == netsetuptext::kConnectionAddress;
}

constexpr int kMostDigits = 3;

} // namespace

std::optional<RecordRefusal> ApplyNetworkChanges(cRecord& record0, const RecordChanges& changes)
{
    cRecord changed = record0;
    const auto refuse = [](int field, const QString& value) {
        return std::optional<RecordRefusal>(RecordRefusal {field, value});
    };
    if (changes.ip && !changed.Set_IPAddress(*changes.ip))
        return refuse(netsetuptext::kIPAddress, *changes.ip);
    if (changes.gateway && !changed.Set_Gateway(*changes.gateway))
        return refuse(netsetuptext::kGateway, *changes.gateway);
    if (changes.mask && !changed.Set_NetMask(*changes.mask))
        return refuse(netsetuptext::kNetMask, *changes.mask);
    if (changes.port && !changed.Set_IPPort(*changes.port))
        return refuse(netsetuptext::kPort, *changes.port);
    if (changes.lineSpeed && !changed.Set_LineSpeed(*changes.lineSpeed))
        return refuse(netsetuptext::kLineSpeed, QString::number(*changes.lineSpeed));
    if (changes.udp && !changed.Set_IsUsingUDP(*changes.udp))
        return refuse(netsetuptext::kUdp, YesNo(*changes.udp));
    if (changes.password && !changed.Set_TelnetPassword(*changes.password))
        return refuse(netsetuptext::kPassword, *changes.password);
    record0 = changed;
    return std::nullopt;
}

std::optional<RecordRefusal> ApplySecurityChanges(cRecord& record1, const RecordChanges& changes)
{
    cRecord changed = record1;
    if (changes.allowConfig && !changed.Set_Allow77FE(*changes.allowConfig))
        return RecordRefusal {netsetuptext::kAllowConfig, YesNo(*changes.allowConfig)};
    if (changes.allowTelnet && !changed.Set_AllowTelnet(*changes.allowTelnet))
        return RecordRefusal {netsetuptext::kAllowTelnet, YesNo(*changes.allowTelnet)};
    record1 = changed;
    return std::nullopt;
}

std::optional<QString> TypedAddress(const QString& text)
{
    const QStringList fields = text.trimmed().split(u'.');
    if (fields.size() != 4)
        return std::nullopt;
    QStringList octets;
    for (const QString& field : fields) {
        if (field.isEmpty() || field.size() > kMostDigits)
            return std::nullopt;
        int value = 0;
        for (const QChar c : field) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        octets << QString::number(value);
    }
    return octets.join(u'.');
}

std::optional<RecordRefusal> CheckAddresses(const QList<AddressField>& fields)
{
    for (const AddressField& field : fields) {
        if (!TypedAddress(field.value))
            return RecordRefusal {field.fieldText, field.value};
    }
    return std::nullopt;
}

QString RefusalText(const Language& language, const RecordRefusal& refusal)
{
    QString text = language.GetLanguageText(refusal.fieldText) + QStringLiteral(" '") + refusal.value + u'\'';
    if (IsAddress(refusal.fieldText))
        text += QStringLiteral("\r\n") + language.GetLanguageText(netsetuptext::kHowToTypeAddresses);
    return text;
}
