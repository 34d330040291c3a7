#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

// The record that a client's ':' lines after "S n" carry. Only lines exactly
// as config::RecordLines makes them are taken (32 data bytes a line, offsets
// in order, record type "10", upper-case hex, the character-code checksum):
// nothing otherwise, and the gateway keeps its record.
std::optional<QByteArray> RecordFromSetLines(const QStringList& lines);
