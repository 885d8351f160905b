#include "platform/HeapGrowth.h"

#include <cstdlib> // defines __GLIBC__ with the GNU C library

// Under a sanitizer, whose allocator does not use this heap, the heap simply never
// grows while the object lives.
#if defined(__linux__) && defined(__GLIBC__)

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace {

constexpr int GrowthStep = 32 * 1024 * 1024;
// The C library's own step, restored when the last object ends.
constexpr int DefaultGrowthStep = 128 * 1024;
constexpr std::uintptr_t LargePage = 2 * 1024 * 1024;

// Setting the step also ends the C library's own tuning of two other limits, which
// otherwise rise as large blocks are freed; left at their first values (128 KB), the
// text of every list file of more than about 250 games would be read into a fresh
// mapping on each read, faulting its pages in again. They are set to what that tuning
// reaches with this program's buffers: blocks from 4 MB on get a mapping of their own,
// and up to 8 MB of free memory stays at the top of the heap for the next buffer.
constexpr int SeparateMappingFrom = 4 * 1024 * 1024;
constexpr int KeptAtTop = 2 * SeparateMappingFrom;

// Objects alive; only the outermost one changes the step.
std::atomic<int> active = 0;

char *heapEnd()
{
    return static_cast<char *>(sbrk(0));
}

} // namespace

HeapGrowth::HeapGrowth()
{
    if (active++ == 0) {
        mallopt(M_MMAP_THRESHOLD, SeparateMappingFrom);
        mallopt(M_TRIM_THRESHOLD, KeptAtTop);
        mallopt(M_TOP_PAD, GrowthStep);
    }
    m_advisedEnd = heapEnd();
}

HeapGrowth::~HeapGrowth()
{
    adviseNewMemory();
    if (--active == 0)
        mallopt(M_TOP_PAD, DefaultGrowthStep);
}

void HeapGrowth::adviseNewMemory()
{
    char *const end = heapEnd();
    if (end <= m_advisedEnd) {
        m_advisedEnd = end; // the heap shrank, or stayed
        return;
    }
    // Only whole large pages can be offered; the part of one that the heap had
    // already reached keeps small pages.
    const std::uintptr_t from =
        (reinterpret_cast<std::uintptr_t>(m_advisedEnd) + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(end) & ~(LargePage - 1);
    if (to > from) {
        // A refusal (large pages switched off) leaves small pages, as before.
        (void)madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
    }
    m_advisedEnd = end;
}

#else

HeapGrowth::HeapGrowth() = default;
HeapGrowth::~HeapGrowth() = default;
void HeapGrowth::adviseNewMemory() {}

#endif
