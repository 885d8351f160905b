#include "platform/HeapGrowth.h"
#include "support/TestMain.h"

#include <QTest>

#include <cstdlib> // __GLIBC__

#if defined(__linux__) && defined(__GLIBC__)
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#endif

class TestHeapGrowth : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void growthIsOfferedForLargePages();
};

#if defined(__linux__) && defined(__GLIBC__)

namespace {

// The flags of the mapping that holds `address`, from /proc/self/smaps. The buffer is
// made before the heap is moved, so reading allocates nothing.
std::string_view mappingFlags(std::uintptr_t address, std::string &buffer)
{
    const int fd = ::open("/proc/self/smaps", O_RDONLY);
    if (fd < 0)
        return {};
    std::size_t filled = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
        if (got <= 0)
            break;
        filled += std::size_t(got);
    }
    ::close(fd);
    const std::string_view text(buffer.data(), filled);
    bool inMapping = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        std::uintptr_t from = 0, to = 0;
        const auto dash = line.find('-');
        const auto space = line.find(' ');
        if (dash != std::string_view::npos && space != std::string_view::npos && dash < space &&
            std::from_chars(line.data(), line.data() + dash, from, 16).ec == std::errc() &&
            std::from_chars(line.data() + dash + 1, line.data() + space, to, 16).ec ==
                std::errc()) {
            inMapping = from <= address && address < to;
        } else if (inMapping && line.starts_with("VmFlags:")) {
            return line;
        }
    }
    return {};
}

bool hasFlag(std::string_view flags, std::string_view flag)
{
    for (std::size_t at = 0; (at = flags.find(flag, at)) != std::string_view::npos; ++at) {
        if (flags[at - 1] == ' ' && (at + 2 == flags.size() || flags[at + 2] == ' '))
            return true;
    }
    return false;
}

} // namespace

void TestHeapGrowth::growthIsOfferedForLargePages()
{
    if (::access("/sys/kernel/mm/transparent_hugepage/enabled", F_OK) != 0)
        QSKIP("This kernel has no large pages on request.");

    std::string buffer(4 * 1024 * 1024, '\0');
    constexpr std::intptr_t Grown = 8 * 1024 * 1024;
    constexpr std::uintptr_t LargePage = 2 * 1024 * 1024;

    std::string_view flags;
    std::uintptr_t middle = 0;
    {
        HeapGrowth growth;
        // Grow the heap as the allocator would, and give it back before anything else
        // allocates.
        char *const before = static_cast<char *>(sbrk(Grown));
        QVERIFY(before != reinterpret_cast<char *>(-1));
        growth.adviseNewMemory();
        middle = (reinterpret_cast<std::uintptr_t>(before) + Grown / 2) & ~(LargePage - 1);
        flags = mappingFlags(middle, buffer);
        QVERIFY(sbrk(-Grown) != reinterpret_cast<void *>(-1));
    }
    QVERIFY2(!flags.empty(), "no mapping holds the grown heap");
    QVERIFY2(hasFlag(flags, "hg"), std::string(flags).c_str());
}

#else

void TestHeapGrowth::growthIsOfferedForLargePages()
{
    QSKIP("Large pages are asked for on Linux with the GNU C library only.");
}

#endif

KELVARO_TEST_MAIN(TestHeapGrowth)
#include "tst_heapgrowth.moc"
