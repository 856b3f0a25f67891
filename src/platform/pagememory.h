#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace dovex {

struct FreePages {
    void operator()(char* p) const { std::free(p); }
};
// Memory that starts on a page boundary, as the page cache's pages do: the
// kernel's copies between a page and a buffer 16 bytes past one (where new[]
// and a vector put a large block) took two to four times as long here.
using PageMemory = std::unique_ptr<char, FreePages>;

// At least n bytes in whole pages, or nullptr when the memory is not there.
inline PageMemory allocatePages(std::size_t n, std::size_t* allocated = nullptr)
{
    const long page = ::sysconf(_SC_PAGESIZE);
    const std::size_t unit = page > 0 ? std::size_t(page) : 4096;
    const std::size_t bytes = (n + unit - 1) / unit * unit;
    PageMemory memory(static_cast<char*>(std::aligned_alloc(unit, bytes ? bytes : unit)));
    if (allocated)
        *allocated = memory ? bytes : 0;
    return memory;
}

} // namespace dovex
