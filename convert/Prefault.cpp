#include "Prefault.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace bmp2cdata {

#ifdef MADV_HUGEPAGE
namespace {

// A large page on x86-64 and most ARM systems; a buffer of at least a
// quarter of one is worth a whole one.
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

bool WorthLargePages(std::size_t length)
{
    return length >= kLargePageBytes / 4 && length <= SIZE_MAX - kLargePageBytes;
}

std::size_t InLargePages(std::size_t length)
{
    return (length + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
}

}  // namespace
#endif

void PrefaultBytes(void* start, std::size_t length)
{
#ifdef MADV_POPULATE_WRITE
    // Only whole pages inside the bytes; a kernel before 5.14 refuses the
    // advice, and the pages then fault in one by one as before.
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t first = (at + pageSize - 1) / pageSize * pageSize;
    const std::uintptr_t end = (at + length) / pageSize * pageSize;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)length;
#endif
}

void* AllocateLargeBuffer(std::size_t length)
{
#ifdef MADV_HUGEPAGE
    if (WorthLargePages(length)) {
        void* buffer = std::aligned_alloc(kLargePageBytes, InLargePages(length));
        if (!buffer)
            throw std::bad_alloc();
        // A system without transparent large pages refuses the advice, and
        // the buffer takes small ones.
        madvise(buffer, InLargePages(length), MADV_HUGEPAGE);
        return buffer;
    }
#endif
    return ::operator new(length);
}

void FreeLargeBuffer(void* buffer, std::size_t length) noexcept
{
#ifdef MADV_HUGEPAGE
    if (WorthLargePages(length)) {
        std::free(buffer);
        return;
    }
#else
    (void)length;
#endif
    ::operator delete(buffer);
}

}  // namespace bmp2cdata
