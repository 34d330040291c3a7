#pragma once

#include "connectionparts.h"

#include <chrono>

// The connection parts of a test: logging, without pacing.
struct LinkParts : ConnectionParts {
    LinkParts()
    {
        log.SetDebugLogging(true);
        link.BusDelay = std::chrono::milliseconds(0);
    }
};
