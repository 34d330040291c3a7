#pragma once

#include "record.h"

#include <QString>
#include <optional>

class Language;

// Changes to the network record (0) and the security record (1), each field
// only when given.
struct RecordChanges {
    std::optional<QString> ip;
    std::optional<QString> mask;
    std::optional<QString> gateway;
    std::optional<QString> port;
    std::optional<int> lineSpeed; // list index, 0 = 300 ... 5 = 9600 baud
    std::optional<bool> udp;
    std::optional<QString> password;
    std::optional<bool> allowTelnet;
    std::optional<bool> allowConfig; // configuration over UDP port 77FEh

    bool ChangesSecurityRecord() const { return allowTelnet || allowConfig; }
    bool ChangesSecurity() const { return password || ChangesSecurityRecord(); }
};

// A field a record would not take: the language text that names it (the
// label of its box) and the value.
struct RecordRefusal {
    int fieldText = 0;
    QString value;
};

// Applies the record 0 fields of the changes; the first refusal leaves the
// record as it was.
std::optional<RecordRefusal> ApplyNetworkChanges(cRecord& record0, const RecordChanges& changes);
// Applies the security switches to record 1.
std::optional<RecordRefusal> ApplySecurityChanges(cRecord& record1, const RecordChanges& changes);

// Whether the three addresses would be taken by a record; the first one
// that would not. An empty text is not checked.
std::optional<RecordRefusal> CheckAddresses(const QString& ip, const QString& gateway, const QString& mask);

// "<label> '<value>'", and for an address how to type one.
QString RefusalText(const Language& language, const RecordRefusal& refusal);

// Language texts naming the fields.
namespace fieldtext {
constexpr int kIPAddress = 210;
constexpr int kGateway = 211;
constexpr int kNetMask = 212;
constexpr int kPort = 285;
constexpr int kPassword = 286;
constexpr int kLineSpeed = 287;
constexpr int kAllowConfig = 505;
constexpr int kAllowTelnet = 506;
constexpr int kUdp = 507;
constexpr int kHowToTypeAddresses = 213;
constexpr int kMacAddress = 203;
} // namespace fieldtext
