#pragma once

// Lets the memory of a large read arrive in large pages.
//
// A catalogue of 100,000 games is about 80 MB in half a million small blocks. Where
// memory comes in 4 KB pages, the first touch of each page costs a page fault, and on
// virtual machines these faults take most of the time of a first read. While an object
// of this class lives, the heap grows in steps of 32 MB, and each step is offered to
// the kernel for 2 MB pages (transparent huge pages, where the system grants them on
// request). A large page is taken only when memory inside it is first touched, so the
// memory used grows by at most one large page.
//
// Only the GNU C library's main heap on Linux is handled. Elsewhere, on other threads
// and in sanitizer builds (whose allocator has a heap of its own) it does nothing.
class HeapGrowth
{
public:
    HeapGrowth();
    ~HeapGrowth();
    HeapGrowth(const HeapGrowth &) = delete;
    HeapGrowth &operator=(const HeapGrowth &) = delete;

    // Offers the memory the heap grew by since the last call. Without growth it makes
    // no system call: call it every few dozen allocations.
    void adviseNewMemory();

private:
    char *m_advisedEnd = nullptr; // the end of the heap as far as it was offered
};
