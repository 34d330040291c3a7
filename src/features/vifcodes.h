#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The quantity a value information block (VIF and VIFE, EN 13757-3) gives
// a record's data: what it measures, its unit and its decimal scaling, and
// how its data are read.

enum class ValueKind {
    Number,       // signed binary, BCD or real, scaled by the exponent
    Identifier,   // unsigned binary or BCD digits, never scaled (numbers, addresses, versions)
    Date,         // type G date, or a date and time by the data field's size
    DateTime,     // type F (4 bytes), I (6 bytes) or J (3 bytes, time only)
    Flags,        // bits: shown in hex
    Manufacturer, // a 2-byte manufacturer code: its three letters
    Hex,          // manufacturer specific: the bytes as received
};

// The words of a record's description that a window shows in its own
// language, in the order of their language texts. The decoder itself writes
// them in English, as the command-line tool prints them.
enum class RecordWord {
    Energy, Volume, Mass, OnTime, OperatingTime, Power, VolumeFlow, MassFlow, FlowTemperature,
    ReturnTemperature, ExternalTemperature, TemperatureDifference, Pressure, Date, DateAndTime, HcaUnits,
    AveragingDuration, ActualityDuration, FabricationNumber, EnhancedIdentification, BusAddress,
    AccessNumber, Medium, Manufacturer, FirmwareVersion, SoftwareVersion, ErrorFlags, Voltage, Current,
    ManufacturerSpecific, PlainTextUnit, ManufacturerData, ManufacturerDataMore, Counter1, Counter2,
};

// The word as the decoder writes it ("Volume").
QString EnglishWord(RecordWord word);

struct Quantity {
    QString description;
    std::optional<RecordWord> word; // the description is this word alone, with nothing the VIFE added
    QString unit;
    int exponent = 0;            // the value is the data times 10^exponent
    std::optional<int> offsetExponent; // plus 10^offsetExponent, an additive correction
    ValueKind kind = ValueKind::Number;
    // An unknown or reserved code: the record shows its data in hex and says so.
    QString error;
    // What the meter itself reports about the record (an error code VIFE).
    QString meterError;
    bool manufacturerVifes = false; // after VIFE 7Fh the further VIFE are the maker's own
};

// The primary VIF (bit 7 removed); 7Bh, 7Ch, 7Dh and 7Fh are handled by the
// caller (extension tables, plain text, manufacturer specific).
Quantity PrimaryVif(quint8 code);

// The VIFE after VIF FBh, and after FDh (bit 7 removed).
Quantity ExtensionFb(quint8 code);
Quantity ExtensionFd(quint8 code);

// A further, combinable VIFE (bit 7 removed) applied to the quantity.
void ApplyCombinableVife(quint8 code, Quantity& quantity);

// Two upper-case hex digits and "h" ("7Ch"), as codes are named in texts.
QString CodeName(quint8 code);
