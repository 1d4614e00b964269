#include "app/startup/command_line.h"

namespace pellix {

std::wstring CommandTail(std::wstring_view commandLine) {
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') {
            ++i;
        }
    }
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) {
        ++i;
    }
    return std::wstring(commandLine.substr(i));
}

StartFolder ParseCommandLine(const std::wstring& argumentText, const PathQueries& system) {
    StartFolder start;
    if (!argumentText.empty()) {
        const std::wstring converted = system.longPath(argumentText);
        if (!converted.empty() && system.folderExists(converted)) {
            start.CurrentFolder = converted;
            start.ScanToFolder = true;
        } else {
            start.CurrentFolder = system.absolutePath(converted);
        }
        return start;
    }
    const std::wstring fallback = system.currentDirectory();
    const std::wstring here = system.absolutePath(L"");
    start.CurrentFolder = !here.empty() && system.folderExists(here) ? here : fallback;
    return start;
}

} // namespace pellix
