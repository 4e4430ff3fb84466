// The replaced global allocation functions behind ScopedAllocationFailure.
// Every plain and array form is replaced, new and delete alike, so that
// memory is always taken with malloc and given back with free (the aligned
// forms keep the library's own matching pair).
#include "AllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failFrom{0}; // 0: nothing fails
std::atomic<int> refused{0};

void* allocate(std::size_t n)
{
    const std::size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && n >= limit) {
        refused.fetch_add(1, std::memory_order_relaxed);
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}

void* allocateOrNull(std::size_t n) noexcept
{
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

ScopedAllocationFailure::ScopedAllocationFailure(std::size_t bytes)
{
    refused.store(0);
    failFrom.store(bytes == 0 ? 1 : bytes);
}

ScopedAllocationFailure::~ScopedAllocationFailure()
{
    failFrom.store(0);
}

int ScopedAllocationFailure::Refused() const
{
    return refused.load();
}

void* operator new(std::size_t n)
{
    return allocate(n);
}

void* operator new[](std::size_t n)
{
    return allocate(n);
}

void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    return allocateOrNull(n);
}

void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    return allocateOrNull(n);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
