#pragma once

#include "base/settingkeys.h"

// The fast search's stored choices: the check box of the search window and
// the least the search allows a network gateway on top of the bus's own
// timing, in ms (the answers it passes on may show it needs more).
namespace keys {
inline const SettingKey Check_FastSearch{QStringLiteral("Check_FastSearch"), QStringLiteral("0")};
}
namespace ini {
inline const IniKey Search_GatewayAllowance{QStringLiteral("Search"), QStringLiteral("GatewayAllowance"), QStringLiteral("10")};
}
