#pragma once

#include "platform/networkadapters.h"

#include <QList>
#include <QString>

// Settles the chosen adapter against the adapters the computer has: a saved
// choice that still exists stays; otherwise a single adapter is chosen by
// itself, several leave the choice open ("") and none gives "NO_ADAPTER".
// Returns the row of the confirmed choice, or -1.
int SettleAdapterChoice(const QList<NetworkAdapter>& adapters, QString& selectedIP, QString& selectedDescription);
