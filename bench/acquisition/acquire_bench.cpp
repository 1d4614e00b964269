// Times unattended acquisitions from the virtual scanner (A4, 300 dpi,
// colour by default) into a .bmp file, beside a plain write of the same
// number of bytes in the same run, and reports the process's peak memory.
//
//   acquire_bench [runs]
//
// The scanner must be installed where the TWAIN manager finds it; the page
// settings come from the PELLIX_VSCAN_* environment variables.
#include "app/components/picture/picture_writer.h"
#include "app/components/twain/twain.h"
#include "app/startup/filetools.h"
#include "bench/timing.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using pellix::bench::Median;

// Seconds.
double Now() {
    return pellix::bench::NowMs() / 1000.0;
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Writes `size` bytes to `path` in 1 MiB blocks, as any program would.
bool PlainWrite(const std::wstring& path, std::uint64_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<char> block(1 << 20, 'x');
    bool ok = true;
    for (std::uint64_t done = 0; ok && done < size;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(block.size(), size - done));
        DWORD written = 0;
        ok = WriteFile(file, block.data(), chunk, &written, nullptr) && written == chunk;
        done += chunk;
    }
    CloseHandle(file);
    return ok;
}

void SetDefault(const wchar_t* name, const wchar_t* value) {
    if (GetEnvironmentVariableW(name, nullptr, 0) == 0) {
        SetEnvironmentVariableW(name, value);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
    SetDefault(L"PELLIX_VSCAN_ANSWER", L"scan");
    SetDefault(L"PELLIX_VSCAN_PAGE", L"a4");
    SetDefault(L"PELLIX_VSCAN_DPI", L"300");
    SetDefault(L"PELLIX_VSCAN_PIXELTYPE", L"color");

    const std::wstring scan = pellix::GetTempFile();
    const std::wstring plain = pellix::GetTempFile();
    if (scan.empty() || plain.empty()) {
        std::fprintf(stderr, "no temporary file\n");
        return 1;
    }
    // What the process holds before any page: Wine and the program itself.
    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    pellix::TWAIN_IsAvailable();
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);

    PROCESS_MEMORY_COUNTERS acquired{};
    acquired.cb = sizeof acquired;
    std::vector<double> acquire, write;
    std::uint64_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
        std::string why;
        const double t0 = Now();
        const auto result = pellix::TWAIN_AcquireToFilename(nullptr, scan, &why);
        const double t1 = Now();
        if (result != pellix::AcquireResult::Page) {
            std::fprintf(stderr, "acquisition failed: %s\n", why.c_str());
            return 1;
        }
        bytes = FileSize(scan);
        acquire.push_back(t1 - t0);
        if (i == 0) {
            // The acquisition's own peak, before the plain write's buffer
            // and the JPEG writer add to the process. (Under Wine only the
            // working set keeps a true peak; the private figure is the
            // present one.)
            GetProcessMemoryInfo(GetCurrentProcess(), &acquired, sizeof acquired);
        }

        const double t2 = Now();
        if (!PlainWrite(plain, bytes)) {
            std::fprintf(stderr, "plain write failed\n");
            return 1;
        }
        write.push_back(Now() - t2);
    }
    // The JPEG writing of the same page, as the scan-to-folder run does it.
    std::vector<double> jpeg;
    const std::wstring jpegFile = scan + L".jpg";
    for (int i = 0; i < runs; ++i) {
        const double t0 = Now();
        const bool ok = pellix::ConvertToJpeg(scan, jpegFile, 90).Ok();
        jpeg.push_back(Now() - t0);
        if (!ok) {
            std::fprintf(stderr, "JPEG writing failed\n");
            return 1;
        }
    }
    DeleteFileW(jpegFile.c_str());

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    DeleteFileW(scan.c_str());
    DeleteFileW(plain.c_str());

    const double a = Median(acquire) * 1000, w = Median(write) * 1000;
    std::printf("page bytes        %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("acquisition ms    %.1f (median of %d)\n", a, runs);
    std::printf("plain write ms    %.1f\n", w);
    std::printf("ratio             %.2f\n", a / w);
    std::printf("JPEG q90 ms       %.1f\n", Median(jpeg) * 1000);
    std::printf("peak working MB   %.1f (page %.1f MB, %.1f MB before the first scan)\n",
                memory.PeakWorkingSetSize / 1048576.0, bytes / 1048576.0,
                before.WorkingSetSize / 1048576.0);
    std::printf("peak private MB   %.1f\n", memory.PeakPagefileUsage / 1048576.0);
    std::printf("acquisition peak working MB  %.1f\n", acquired.PeakWorkingSetSize / 1048576.0);
    return 0;
}
