// Reads a fuzzer's bytes as the values a test needs; past the end, zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }

    std::uint64_t word()
    {
        std::uint64_t w = 0;
        for (int i = 0; i < 8; ++i)
            w = (w << 8) | byte();
        return w;
    }

    // A double that is often a small value with few bits and sometimes any
    // bit pattern at all (signalling NaNs and subnormals included).
    double element()
    {
        const std::uint8_t pick = byte();
        double d;
        if (pick < 128) {
            d = (static_cast<int>(byte()) - 128) / 16.0;
        } else {
            const std::uint64_t bits = word();
            std::memcpy(&d, &bits, sizeof d);
        }
        return d;
    }
};
