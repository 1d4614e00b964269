// libFuzzer target for the command-line rule. Input: one byte of choices (bit
// 0: the current folder C:\Work is unconfirmed; 1: the program's name quoted;
// 2: the arguments name a folder, beside C:\Work and D:\My Scans, short form
// D:\MYSCAN~1), then the arguments as UTF-16. The rule takes one of its ways.
#include "app/startup/command_line.h"
#include "app/startup/scan_naming.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

static void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const unsigned choices = size ? data[0] : 0;
    std::wstring arguments;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        arguments += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    const std::wstring tail = pellix::CommandTail(
        (choices & 2 ? L"\"C:\\Program Files\\Pellix.exe\" " : L"Pellix.exe ") + arguments);
    Check(arguments.ends_with(tail) && !tail.starts_with(L' ') && !tail.starts_with(L'\t'));

    const std::set<std::wstring> folders{L"C:\\Work", L"D:\\My Scans",
                                         choices & 4 ? tail : L"C:\\"};
    const auto longPath = [&](const std::wstring& p) {
        return p == L"D:\\MYSCAN~1" ? L"D:\\My Scans" : folders.count(p) ? p : std::wstring();
    };
    const auto absolute = [&](const std::wstring& p) {
        return p.empty() ? choices & 1 ? L"" : L"C:\\Work" : L"C:\\Work\\" + p;
    };
    const pellix::StartFolder start = pellix::ParseCommandLine(
        tail, {longPath, [&](const std::wstring& p) { return folders.count(p) > 0; }, absolute,
               [] {
                   return std::wstring(L"C:\\Fallback");
               }});
    // An existing folder is scanned into; anything else opens the window.
    const std::wstring converted = longPath(tail);
    Check(start.ScanToFolder == (!tail.empty() && folders.count(converted) > 0));
    Check(start.CurrentFolder == (start.ScanToFolder ? converted
                                  : !tail.empty()    ? absolute(converted)
                                  : choices & 1      ? L"C:\\Fallback"
                                                     : L"C:\\Work"));
    const std::wstring name = pellix::FolderName(start.CurrentFolder);
    Check(name.find(L'\\') == std::wstring::npos && start.CurrentFolder.ends_with(name));
    return 0;
}
