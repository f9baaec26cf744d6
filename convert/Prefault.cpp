#include "Prefault.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace bmp2cdata {

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

}  // namespace bmp2cdata
