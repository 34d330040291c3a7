#pragma once

#include "../tests/support/connectionparts.h"
#include "search/searchplan.h"
#include "base/language.h"

#include "busconfig.h"

#include <cstdio>
#include <optional>

// The simulator's sample bus; nothing, with the reason printed, when it
// cannot be read.
inline std::optional<BusConfig> LoadSampleBus()
{
    BusConfigResult sample = LoadBusConfig(QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json"));
    if (!sample.config)
        std::printf("%s\n", qPrintable(sample.error));
    return sample.config;
}

// A search's client side as the search window has it: the connection parts
// with the window's pacing, and a language.
struct SearchClient : ConnectionParts {
    Language language;

    SearchParts Parts() { return {connection, link, log, operations, language}; }
};
