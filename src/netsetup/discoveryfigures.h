#pragma once

#include "discovery.h"

#include <chrono>

// How a scan went, for benchmarks of large sites.
struct ScanFigures {
    int receiveBufferBytes = 0;              // what the kernel granted the search socket
    std::chrono::milliseconds lastAnswer{0}; // after the query went out; 0 without answers
    std::chrono::milliseconds quietEnded{0}; // the wait for answers ended, before the reachability checks
};

// ScanLanDevices, and its figures.
ScanResult ScanLanDevices(const ScanOptions& options, DiscoverySink& sink, ScanFigures& figures);
