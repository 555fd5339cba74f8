#pragma once

#include <cstdint>

// Repeats a system read or write until size bytes have moved. step(done) moves what it can from
// offset done and gives the count, or 0 or less when it cannot go on; then the loop stops short.
template <typename Step>
std::int32_t TransferAll(std::int32_t size, Step step) {
    std::int32_t done = 0;
    while (done < size) {
        std::int32_t count = step(done);
        if (count <= 0) {
            break;
        }
        done += count;
    }
    return done;
}
