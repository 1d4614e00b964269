// libFuzzer target: any bytes as the program's command line, read against a
// small made-up file system that the same bytes describe. The text reaches
// the command-line rule whole (random text, overlong paths, device names,
// reserved characters, quotes, lone surrogates), and the folder it names
// goes on through the naming of a scan-to-folder run. The outcome must be
// one of the rule's two ways, and every name derived from it well formed.
#include "app/startup/command_line.h"
#include "app/startup/scan_naming.h"

#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The input: one byte of choices, then UTF-16 text in parts separated by
// NUL units (a command line holds no NUL): the arguments, the name a user
// types, then entries of the file system, each led by its kind (F a folder,
// f a file, = a short form followed by its long form after a '|').
struct Input {
    bool currentConfirmed, quotedProgram;
    int earlierScans;
    std::vector<std::wstring> parts;
};

Input Read(const std::uint8_t* data, std::size_t size) {
    Input input{};
    const std::uint8_t choices = size ? data[0] : 0;
    input.currentConfirmed = (choices & 1) == 0;
    input.quotedProgram = (choices & 2) != 0;
    input.earlierScans = choices >> 2;
    std::wstring part;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == L'\0') {
            input.parts.push_back(part);
            part.clear();
        } else {
            part += unit;
        }
    }
    input.parts.push_back(part);
    return input;
}

bool EndsWithJpg(const std::wstring& name) {
    if (name.size() < 4) {
        return false;
    }
    std::wstring last = name.substr(name.size() - 4);
    for (wchar_t& c : last) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return last == L".jpg";
}

// A machine with a current folder, some folders and files, and short forms.
struct Machine {
    std::wstring current = L"C:\\Work";
    std::set<std::wstring> folders{L"C:\\Work", L"C:\\", L"D:\\My Scans"};
    std::set<std::wstring> files;
    std::map<std::wstring, std::wstring> longForms{{L"D:\\MYSCAN~1", L"D:\\My Scans"}};
    bool currentConfirmed = true;

    std::wstring LongPath(const std::wstring& path) const {
        if (const auto it = longForms.find(path); it != longForms.end()) {
            return it->second;
        }
        return folders.count(path) || files.count(path) ? path : std::wstring();
    }
    std::wstring Absolute(const std::wstring& path) const {
        if (path.empty()) {
            return currentConfirmed ? current : std::wstring();
        }
        if (path.size() >= 2 && path[1] == L':') {
            return path;
        }
        return current + L"\\" + path;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const Input input = Read(bytes, size);
    Machine machine;
    machine.currentConfirmed = input.currentConfirmed;
    for (std::size_t i = 2; i < input.parts.size(); ++i) {
        const std::wstring& entry = input.parts[i];
        if (entry.empty()) {
            continue;
        }
        const std::wstring path = entry.substr(1);
        if (entry[0] == L'F') {
            machine.folders.insert(path);
        } else if (entry[0] == L'=') {
            const std::size_t bar = path.find(L'|');
            machine.longForms[path.substr(0, bar)] =
                bar == std::wstring::npos ? std::wstring() : path.substr(bar + 1);
        } else {
            machine.files.insert(path);
        }
    }
    const bool quotedProgram = input.quotedProgram;
    const std::wstring& arguments = input.parts[0];

    // What Windows hands over: the program's own name, then the arguments.
    const std::wstring program =
        quotedProgram ? L"\"C:\\Program Files\\Pellix\\Pellix.exe\"" : L"Pellix.exe";
    const std::wstring commandLine = arguments.empty() ? program : program + L" " + arguments;
    const std::wstring tail = pellix::CommandTail(commandLine);
    Check(tail.size() <= arguments.size());
    Check(arguments.compare(arguments.size() - tail.size(), tail.size(), tail) == 0);
    Check(tail.empty() || (tail[0] != L' ' && tail[0] != L'\t'));
    // Whatever the program name was, a tail of the arguments alone reads
    // the same.
    Check(pellix::CommandTail(L"x " + arguments) == tail);

    const pellix::PathQueries queries{
        [&](const std::wstring& p) { return machine.LongPath(p); },
        [&](const std::wstring& p) { return machine.folders.count(p) > 0; },
        [&](const std::wstring& p) { return machine.Absolute(p); },
        [&] {
            return std::wstring(L"C:\\Fallback");
        }};
    const pellix::StartFolder start = pellix::ParseCommandLine(tail, queries);
    if (tail.empty()) {
        Check(!start.ScanToFolder);
        Check(start.CurrentFolder ==
              (machine.currentConfirmed ? machine.current : L"C:\\Fallback"));
        return 0;
    }
    const std::wstring converted = machine.LongPath(tail);
    if (start.ScanToFolder) {
        Check(!converted.empty() && machine.folders.count(converted));
        Check(start.CurrentFolder == converted);
    } else {
        Check(converted.empty() || !machine.folders.count(converted));
        Check(start.CurrentFolder == machine.Absolute(converted));
        return 0;
    }

    // The run's names for this folder.
    const std::wstring folder = start.CurrentFolder;
    const std::wstring folderName = pellix::FolderName(folder);
    Check(folderName.find(L'\\') == std::wstring::npos);
    Check(folder.size() >= folderName.size() &&
          folder.compare(folder.size() - folderName.size(), folderName.size(), folderName) == 0);
    const std::wstring stamp = pellix::DateTimeStamp({2009, 11, 25, 11, 21, 38});
    const std::wstring proposal = pellix::ProposedName(true, true, stamp, folderName);
    Check(proposal == stamp + L"-" + folderName);
    const std::wstring typed = input.parts.size() > 1 ? input.parts[1] : std::wstring();
    const std::wstring name = pellix::WithJpgExtension(typed.empty() ? proposal : typed);
    Check(EndsWithJpg(name));
    const std::wstring target = pellix::TargetPath(folder, name);
    Check(target == folder + L"\\" + name);

    // An automatic name never lands on a taken one.
    std::set<std::wstring> taken(machine.files);
    const std::wstring automatic = pellix::TargetPath(folder, pellix::StampName(stamp));
    const int earlier = input.earlierScans;
    for (int n = 1; n <= earlier; ++n) {
        taken.insert(n == 1 ? automatic : pellix::FreePath(automatic, [&](const std::wstring& p) {
            return taken.count(p) > 0;
        }));
    }
    const std::wstring free =
        pellix::FreePath(automatic, [&](const std::wstring& p) { return taken.count(p) > 0; });
    Check(!taken.count(free));
    Check(EndsWithJpg(free));
    Check(free.compare(0, folder.size() + 1, folder + L"\\") == 0);
    return 0;
}
