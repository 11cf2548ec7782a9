#pragma once

// Shared by the fuzz targets: the input as Qt bytes, and a check that aborts (so libFuzzer
// keeps the input) when a property of a decoder does not hold.

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline QByteArray fuzzBytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
