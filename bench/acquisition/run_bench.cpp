// The unattended scan-to-folder run from outside: Pellix.exe started on a
// folder, from process start to exit, beside a trivial window program's
// start and exit in the same run; and the run's peak memory.
//
//   run_bench PELLIX_EXE TRIVIAL_EXE FOLDER [runs]
//
// The virtual scanner must be installed and answer by itself (the
// PELLIX_VSCAN_* variables pass to Pellix.exe). Prints "name value" lines.
#include "bench/timing.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using pellix::bench::Median;
const auto Now = pellix::bench::NowMs;

struct RunResult {
    double ms = -1;
    double peakMb = 0; // the most of the process's private memory seen
};

RunResult Run(const std::wstring& exe, const std::wstring& tail) {
    std::wstring line = L"\"" + exe + L"\"" + (tail.empty() ? L"" : L" " + tail);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    RunResult result;
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return result;
    }
    // The peak as the system keeps it, read while the process still exists
    // (polled: a finished process may no longer tell).
    SIZE_T peak = 0;
    while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters{};
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters)) {
            peak = std::max({peak, counters.PeakPagefileUsage, counters.PagefileUsage});
        }
    }
    result.ms = Now() - start;
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters)) {
        peak = std::max(peak, counters.PeakPagefileUsage);
    }
    result.peakMb = peak / 1048576.0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: run_bench PELLIX_EXE TRIVIAL_EXE FOLDER [runs]\n");
        return 2;
    }
    const std::wstring pellix = argv[1], trivial = argv[2], folder = argv[3];
    const int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 7;
    Run(trivial, L""); // warm the file cache
    Run(pellix, folder);
    std::vector<double> ours, reference, peaks;
    for (int i = 0; i < runs; ++i) {
        const RunResult run = Run(pellix, folder);
        if (run.ms < 0) {
            std::fprintf(stderr, "Pellix.exe did not start\n");
            return 1;
        }
        ours.push_back(run.ms);
        peaks.push_back(run.peakMb);
        reference.push_back(Run(trivial, L"").ms);
    }
    std::printf("run_ms %.1f\ntrivial_ms %.1f\nrun_peak_private_mb %.1f\n", Median(ours),
                Median(reference), *std::max_element(peaks.begin(), peaks.end()));
    return 0;
}
