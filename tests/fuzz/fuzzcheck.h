#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property a fuzz target checks: when it fails the input is a finding,
// and the fuzzer keeps it.
#define FUZZ_CHECK(condition)                                                                                   \
    do {                                                                                                        \
        if (!(condition)) {                                                                                     \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);              \
            std::abort();                                                                                       \
        }                                                                                                       \
    } while (false)

// The fuzzer's bytes, copied (the parsers keep no pointer into them).
inline QByteArray FuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Splits the input in two at its first byte's value: a small number to steer
// the target (a record number, a chunk size) and the rest.
struct FuzzSteer {
    int steer = 0;
    QByteArray rest;
};
inline FuzzSteer Steered(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    return {data[0], FuzzBytes(data + 1, size - 1)};
}
