#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace bmp2cdata {

// Gives the whole pages within length bytes from start their memory at once,
// where one request is cheaper than a page fault for every page as a buffer
// fills (as on a virtual machine); does nothing where the system has no
// such request.
void PrefaultBytes(void* start, std::size_t length);

// The same for a container's reserved capacity, before it is filled.
template <typename Container>
void PrefaultCapacity(Container& container)
{
    PrefaultBytes(container.data(), container.capacity() * sizeof(*container.data()));
}

// Memory for a buffer of length bytes: where the system has large pages and
// the buffer is worth one, it is aligned to them and asks for them, so that
// filling a few megabytes takes a few page faults, not hundreds (each of
// which a virtual machine may make many times as slow). Give it back with
// FreeLargeBuffer and the same length.
void* AllocateLargeBuffer(std::size_t length);
void FreeLargeBuffer(void* buffer, std::size_t length) noexcept;

// A std::vector allocator that takes its memory from AllocateLargeBuffer.
template <typename T>
struct LargeBufferAllocator {
    using value_type = T;
    LargeBufferAllocator() = default;
    template <typename U>
    LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t count)
    {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBuffer(count * sizeof(T)));
    }
    void deallocate(T* buffer, std::size_t count) noexcept { FreeLargeBuffer(buffer, count * sizeof(T)); }
    // A new element is left unset, not zeroed: each buffer is written before
    // it is read, and zeroing megabytes first would be a pass over them.
    template <typename U>
    void construct(U* element) noexcept
    {
        ::new (static_cast<void*>(element)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* element, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(element)) U(std::forward<Arguments>(arguments)...);
    }
    template <typename U>
    bool operator==(const LargeBufferAllocator<U>&) const noexcept
    {
        return true;
    }
};

// The bytes of a file, or anything else that may run to megabytes.
using LargeBytes = std::vector<std::uint8_t, LargeBufferAllocator<std::uint8_t>>;

}  // namespace bmp2cdata
