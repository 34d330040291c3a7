#pragma once

#include "vifcodes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The data records of a variable-structure RSP_UD (EN 13757-3): each record
// is a data information block (DIF and up to ten DIFE: function, storage
// number, tariff, subunit, data field), a value information block (VIF and
// up to ten VIFE: quantity, unit, scaling) and the data.

struct DataRecord {
    int position = 0;    // frame position of its DIF, counted from 1 at the first 68h
    QByteArray bytes;    // the record as received
    qint64 storage = 0;
    int tariff = 0;
    int subunit = 0;
    QString function;    // "Instantaneous", "Maximum", "Minimum", "Error state"; empty for manufacturer data
    std::optional<int> functionCode; // the DIF's function field 0-3, in the order of the words above
    QString description; // the quantity, with what the VIFE add
    std::optional<RecordWord> word; // the description is this word alone
    QString value;       // as a technician reads it: scaled decimal, date, text, or hex
    QString unit;
    // What is wrong with the record (an unknown code, data that run past the
    // frame); empty when it decoded. A record with an error shows its data
    // in hex rather than a guessed value.
    QString error;
};

struct DataRecords {
    QList<DataRecord> records;
    bool moreRecordsFollow = false; // the meter has more records for a further request
    // Why the frame holds no records to decode (not a variable-structure
    // reply, a header cut short); empty otherwise.
    QString error;
};

// The records of a long frame with CI 72h (or 76h, numbers most significant
// byte first) after its 12-byte header; for the fixed structure (CI 73h, or
// 77h most significant byte first) its two counters, in the unit and
// storage its status and unit bytes give. Never reads past the frame or past
// the user data its L field gives; decoding stops at the first record whose
// length cannot be known, which then carries the error.
DataRecords DecodeDataRecords(const QByteArray& frame);
