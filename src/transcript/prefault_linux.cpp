#include "transcript/prefault.h"

#include <algorithm>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// Bytes of the buffer's spare room kept faulted in past the end of the text; refilled once
// less than half of it is left.
constexpr qsizetype kAhead = 512 * 1024;

std::uintptr_t pageSize() {
    static const std::uintptr_t size = [] {
        const long reported = ::sysconf(_SC_PAGESIZE);
        return reported > 0 ? std::uintptr_t(reported) : std::uintptr_t(4096);
    }();
    return size;
}

} // namespace

void Prefaulter::ahead(const char *base, qsizetype used, qsizetype capacity) {
#if defined(MADV_POPULATE_WRITE)
    if (base != m_base) {
        m_base = base;
        m_doneTo = 0;
    }
    if (m_doneTo - used > kAhead / 2)
        return;
    const std::uintptr_t page = pageSize();
    const std::uintptr_t from =
        (std::uintptr_t(base + std::max(used, m_doneTo)) + page - 1) & ~(page - 1);
    const std::uintptr_t to =
        std::uintptr_t(base + std::min(capacity, used + kAhead)) & ~(page - 1);
    if (to <= from)
        return;
    // Where the kernel cannot do it (older than 5.14), the call fails and changes nothing.
    ::madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
    m_doneTo = qsizetype(to - std::uintptr_t(base));
#else
    Q_UNUSED(base);
    Q_UNUSED(used);
    Q_UNUSED(capacity);
#endif
}
