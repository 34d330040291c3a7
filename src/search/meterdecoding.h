#pragma once

#include "searchresultrow.h"

#include <QByteArray>
#include <QString>

class Language;

// The fixed header of a meter's RSP_UD (EN 13757-3) as the texts of a search
// result row.

// Number of medium codes with a name; codes from here on are "Reserved (n)".
constexpr int kNamedMedia = 0x22;

// The name of a medium code below kNamedMedia; empty for others.
QString MediumNames(int code);

// The model name a few makers' letters and versions stand for; "N/A" for
// every other maker.
QString MeterDeviceText(const QString& letters, int version);

// Decodes a whole long frame (68h L L 68h C A CI data CS 16h, checksum good)
// into texts 2 and 5-9 of the row, leaving texts 1, 3, 4 and the icon alone.
// Everything is read before anything is written: a frame that is not whole or
// carries fewer than the eight bytes of the fixed header leaves the row as it
// was and gives false.
bool ExtractMeterData(const QByteArray& packetData, SearchResultRow& row);

// The hexadecimal code between the last "(" and the last "h)" of a column
// text ("ABB (0442h)" gives "0442"); empty when there is no code of at least
// two characters. The identification column (field 5) is returned whole.
QString ParseListX(const QString& subItem, int field);

// A row text as the search window shows it: the decoder's fixed English
// words ("N/A", "Fixed", the medium names, "Ok", "Bad data") in the
// language's words, codes and numbers as they are. The row itself keeps the
// decoder's texts, which the exports write.
QString ShownRowText(const Language& language, int field, const QString& text);
