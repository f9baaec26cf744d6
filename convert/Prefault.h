#pragma once

#include <cstddef>

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

}  // namespace bmp2cdata
