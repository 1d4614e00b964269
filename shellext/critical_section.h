// A critical section that lives as long as its owner, and a scoped hold on it.
#pragma once

#include <windows.h>

namespace pellix::shellext {

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class SectionHold {
public:
    explicit SectionHold(CriticalSection& section) : section_(section) { section_.Enter(); }
    ~SectionHold() { section_.Leave(); }
    SectionHold(const SectionHold&) = delete;
    SectionHold& operator=(const SectionHold&) = delete;

private:
    CriticalSection& section_;
};

} // namespace pellix::shellext
