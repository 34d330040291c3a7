#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The files the program saves, each written through the program's own save
// code: one of two contents (0 or 1) for the files that are replaced, one
// more block for the ones that grow.
enum class SaveKind { Ini, Settings, Log, ExportCsv, ExportReport, ItemFile, ModbusFile };

QStringList SaveKindNames();
bool SaveKindFromName(const QString& name, SaveKind* kind);

// Whether each save adds to the file rather than replacing it.
bool SaveKindAppends(SaveKind kind);

// Saves variant 0 or 1 (for a growing file: one block) to the path.
void SaveVariant(SaveKind kind, const QString& path, int variant);

// The block a growing file gets on each save.
QByteArray AppendedBlock(SaveKind kind);
