#pragma once

#include "record.h"

#include <QList>
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

// An address, mask or gateway as a user must type it: four decimal numbers
// 0-255 joined by dots and nothing else; blanks around it are dropped and a
// leading zero is read as decimal ("010" is ten). The address as the
// program sends and stores it ("10.0.0.1" for " 010.0.0.1"), or nothing.
// The record setters read more tolerantly, for what devices and stored
// settings already hold; what a user types passes this check first.
std::optional<QString> TypedAddress(const QString& text);

// An address as it was typed, read once where it enters: the text (to name
// it when it is refused) and the address TypedAddress makes of it, if any.
struct AddressEntry {
    AddressEntry(const QString& text)
        : typed(text)
        , address(TypedAddress(text))
    {
    }

    bool Given() const { return !typed.isEmpty(); }

    QString typed;
    std::optional<QString> address;
};

// An address box or option: the language text of its label and its text.
struct AddressField {
    int fieldText = 0;
    QString value;
};

// The first field that TypedAddress does not take; nothing when all are
// addresses. An empty text is refused like any other.
std::optional<RecordRefusal> CheckAddresses(const QList<AddressField>& fields);

// "<label> '<value>'", and for an address how to type one.
QString RefusalText(const Language& language, const RecordRefusal& refusal);
