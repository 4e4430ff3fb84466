#pragma once

#include <cstddef>

// Makes every allocation through operator new of at least `bytes` bytes throw
// std::bad_alloc while the object lives, so that tests can drive code into
// its out-of-memory path without using the memory. The test executable
// replaces the global operator new for this; allocations below the size go
// through as usual, from any thread.
class ScopedAllocationFailure {
public:
    explicit ScopedAllocationFailure(std::size_t bytes);
    ~ScopedAllocationFailure();
    ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
    ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

    // Allocations refused so far.
    int Refused() const;
};
