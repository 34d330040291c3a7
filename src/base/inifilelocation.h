#pragma once

#include "inifile.h"

// "Ostrand.INI" in the program folder, where the program may write it. An
// installed program (its files in bin/../share/ostrand) keeps its INI file in
// the user's configuration folder instead, started as a copy of the defaults
// shipped there; so does a program whose own file cannot be written.
// userConfigFolder: that folder (the system's, unless a test gives its own).
IniFile IniFileFor(const QString& appPath, const QString& userConfigFolder = QString());
