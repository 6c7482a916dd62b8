#pragma once

#include <QtGlobal>

// Keeps the memory pages just past the end of a growing buffer faulted in, a stretch at a time
// with one system call, so that a flood of appends does not take a page fault for every page
// of new text. Only the page tables change: the buffer's bytes are never touched. Where the
// system offers no way to do it, it does nothing and the appends fault the pages in as usual.
class Prefaulter {
public:
    // `base` is the buffer, `used` the bytes of it in use and `capacity` the bytes allocated.
    void ahead(const char *base, qsizetype used, qsizetype capacity);

private:
    // The buffer last seen, and up to which byte of it the pages are faulted in.
    [[maybe_unused]] const char *m_base = nullptr;
    [[maybe_unused]] qsizetype m_doneTo = 0;
};
