#pragma once

#include "fileerror.h"

// Adds the bytes to the end of the file (created when missing), replacing it
// in one step as WriteWholeFile does: a kill in the middle leaves the file
// as it was or with the whole addition, never a part of it.
std::optional<FileError> AppendToFile(const QString& path, const QByteArray& content);
