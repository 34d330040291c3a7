#pragma once

#include <QString>
#include <QStringList>

// The program's folder, ending in a separator: the INI file and the language
// files are looked up here. "--app-dir DIR" on the command line overrides it
// (tests, portable installations).
QString AppPathFrom(const QStringList& arguments, const QString& programFolder);

// The folder with its trailing separator.
QString WithTrailingSeparator(const QString& folder);
