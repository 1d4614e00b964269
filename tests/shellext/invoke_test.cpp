// Picking "Pellix to here": which program starts, on which path, in which
// working folder. A probe program stands in for Pellix.exe and records how
// it was started.
#include "tests/shellext/system_support.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace pellix::test {
namespace {

class ShellextInvoke : public testing::Test {
protected:
    Extension extension_;
    AppToStart appToStart_;
    TempFolder tools_{L"Tools 100%"};
    Probe probe_{tools_.Join(L"Pellix.exe")};

    // Picks the command on a handler set up on folder or selection, and
    // waits for probe to record one more start.
    Probe::Record Pick(PCIDLIST_ABSOLUTE folder, IDataObject* selection, const Probe& probe) {
        const size_t before = probe.Records().size();
        com_ptr<IContextMenu> menu =
            Prepared(extension_.NewHandler<IShellExtInit>(IID_IShellExtInit), folder, selection);
        EXPECT_TRUE(menu);
        if (!menu) {
            return {};
        }
        EXPECT_EQ(Invoke(*menu.get(), MAKEINTRESOURCEA(0)), S_OK);
        EXPECT_TRUE(Eventually([&] { return probe.Records().size() > before; }))
            << "not started: " << testing::PrintToString(probe.Path());
        const std::vector<Probe::Record> records = probe.Records();
        return records.size() > before ? records[before] : Probe::Record{};
    }
};

TEST_F(ShellextInvoke, TheTargetIsTheFolderOrTheFirstSelectedItemWhole) {
    appToStart_.Set(probe_.Path()); // a percent sign in its folder
    TempFolder scans(L"My Scans");
    TempFolder foreign(L"Scans \u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C");
    const std::wstring text = scans.Join(L"notes.txt");
    WriteBytes(text, "notes");
    IdList scansList(scans.Path()), foreignList(foreign.Path()), virtualFolder(VirtualFolder());
    Selection others({L"C:\\windows"});
    Selection three({scans.Path(), text, L"C:\\windows"});
    Selection textFile({text});
    struct Row {
        const char* name;
        PCIDLIST_ABSOLUTE folder;
        IDataObject* selection;
        std::wstring target, workingFolder;
    };
    const Row rows[] = {
        {"folder background", scansList.get(), &others, scans.Path(), scans.Path()},
        {"outside the code page", foreignList.get(), nullptr, foreign.Path(), foreign.Path()},
        {"virtual folder", virtualFolder.get(), &three, scans.Path(), scans.Path()},
        {"three selected", nullptr, &three, scans.Path(), scans.Path()},
        // A file is no working folder: the program starts in the file's own.
        {"text file", nullptr, &textFile, text, scans.Path()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Probe::Record started = Pick(row.folder, row.selection, probe_);
        EXPECT_EQ(started.tail, row.target) << "the whole path, unquoted";
        EXPECT_EQ(_wcsicmp(started.folder.c_str(), row.workingFolder.c_str()), 0)
            << testing::PrintToString(started.folder);
    }
    EXPECT_EQ(probe_.Records().size(), std::size(rows));
}

TEST_F(ShellextInvoke, AppToStartNamesTheProgramOrTheDefaultIsStarted) {
    TempFolder scans(L"Scans");
    IdList scansList(scans.Path());
    CreateDirectoryW(L"C:\\Program Files\\Orvane", nullptr);
    CreateDirectoryW(L"C:\\Program Files\\Orvane\\Pellix", nullptr);
    Probe fallback(L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe");
    // Programs whose paths are 255 and 256 characters long.
    TempFolder longPaths;
    const auto folderFor = [&](size_t length) {
        const size_t name = length - longPaths.Path().size() - 1 - std::wcslen(L"\\Pellix.exe");
        const std::wstring folder = longPaths.Join(std::wstring(name, wchar_t(L'a' + length % 2)));
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder + L"\\Pellix.exe";
    };
    Probe longest(folderFor(255)), tooLong(folderFor(256));
    const std::wstring unterminated = tooLong.Path();
    const DWORD number = 7;
    struct Row {
        const char* name;
        std::function<void()> set;
        const Probe& started;
    };
    const Row rows[] = {
        {"absent", [] {}, fallback},
        {"set", [&] { appToStart_.Set(probe_.Path()); }, probe_},
        {"not expanded",
         [&] {
             appToStart_.Set(REG_EXPAND_SZ, probe_.Path().c_str(),
                             DWORD((probe_.Path().size() + 1) * 2));
         },
         probe_},
        {"255 characters", [&] { appToStart_.Set(longest.Path()); }, longest},
        {"256 characters", [&] { appToStart_.Set(tooLong.Path()); }, fallback},
        {"300 characters", [&] { appToStart_.Set(std::wstring(300, L'x')); }, fallback},
        {"no terminating zero",
         [&] { appToStart_.Set(REG_SZ, unterminated.data(), DWORD(unterminated.size() * 2)); },
         fallback},
        {"a number", [&] { appToStart_.Set(REG_DWORD, &number, sizeof number); }, fallback},
        {"empty", [&] { appToStart_.Set(L""); }, fallback},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.set();
        const Probe::Record started = Pick(scansList.get(), nullptr, row.started);
        EXPECT_EQ(started.tail, scans.Path());
    }
    EXPECT_EQ(fallback.Records().size() + probe_.Records().size() + longest.Records().size() +
                  tooLong.Records().size(),
              std::size(rows))
        << "one program per pick";
    RemoveTree(L"C:\\Program Files\\Orvane");
}

} // namespace
} // namespace pellix::test
