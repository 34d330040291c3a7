#pragma once

#include "cliargs.h"

// The manual page in troff, from the same texts as --help (defined in
// cliargs.cpp beside them). The package's build writes it with the hidden
// option --man.
QString CliManPage(const QList<CommandOptions>& commands, const QString& version);
