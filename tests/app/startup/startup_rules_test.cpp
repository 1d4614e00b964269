#include "app/startup/command_line.h"
#include "app/startup/scan_naming.h"

#include <gtest/gtest.h>

#include <set>

namespace pellix {
namespace {

// The example machine: current folder C:\Work; D:\My Scans exists with the
// short form D:\MYSCAN~1 and holds page.bmp.
TEST(CommandLine, TheTailWholeAsOnePath) {
    EXPECT_EQ(CommandTail(L"\"C:\\Program Files\\Pellix.exe\" D:\\My Scans"), L"D:\\My Scans");
    EXPECT_EQ(CommandTail(L"Pellix.exe   D:\\My Scans  "), L"D:\\My Scans  ");
    EXPECT_EQ(CommandTail(L"Pellix.exe \"D:\\My Scans\""), L"\"D:\\My Scans\"");
    EXPECT_EQ(CommandTail(L"\"C:\\Pellix.exe\"D:\\x"), L"D:\\x");
    EXPECT_EQ(CommandTail(L"\"C:\\unclosed"), L"");

    std::set<std::wstring> folders{L"C:\\Work", L"D:\\My Scans"};
    const PathQueries system{
        [&](const std::wstring& p) {
            return p == L"D:\\MYSCAN~1"                                 ? L"D:\\My Scans"
                   : folders.count(p) || p == L"D:\\My Scans\\page.bmp" ? p
                                                                        : L"";
        },
        [&](const std::wstring& p) { return folders.count(p) > 0; },
        [](const std::wstring& p) { return p.empty() ? std::wstring(L"C:\\Work") : p; },
        [] {
            return std::wstring(L"C:\\Fallback");
        }};
    const std::tuple<const wchar_t*, const wchar_t*, bool> rows[] = {
        {L"", L"C:\\Work", false},
        {L"D:\\My Scans", L"D:\\My Scans", true},
        {L"D:\\MYSCAN~1", L"D:\\My Scans", true},
        {L"\"D:\\My Scans\"", L"C:\\Work", false},
        {L"D:\\My Scans\\page.bmp", L"D:\\My Scans\\page.bmp", false},
        {L"D:\\Missing", L"C:\\Work", false}};
    for (const auto& [argument, folder, scan] : rows) {
        const StartFolder start = ParseCommandLine(argument, system);
        EXPECT_EQ(start.CurrentFolder, folder) << testing::PrintToString(std::wstring(argument));
        EXPECT_EQ(start.ScanToFolder, scan) << testing::PrintToString(std::wstring(argument));
    }
    // A current folder the system does not confirm gives way to the fallback.
    folders.erase(L"C:\\Work");
    EXPECT_EQ(ParseCommandLine(L"", system).CurrentFolder, L"C:\\Fallback");
}

TEST(ScanNaming, StampsProposalsAndFreeNames) {
    EXPECT_EQ(DateTimeStamp({2024, 3, 5, 9, 7, 3}), L"202435973");
    EXPECT_EQ(FolderName(L"D:\\Scans\\Invoices"), L"Invoices");
    EXPECT_EQ(FolderName(L"D:\\"), L"");
    EXPECT_EQ(ProposedName(true, true, L"2024", L"Invoices"), L"2024-Invoices");
    EXPECT_EQ(ProposedName(false, true, L"2024", L"Invoices"), L"-Invoices");
    EXPECT_EQ(StampName(L"2024"), L"2024-Pellix.jpg");
    EXPECT_EQ(TargetPath(L"D:\\", L"a.jpg"), L"D:\\\\a.jpg");
    EXPECT_EQ(WithJpgExtension(L"Receipt"), L"Receipt.jpg");
    EXPECT_EQ(WithJpgExtension(L"Receipt.JPG"), L"Receipt.JPG");
    EXPECT_EQ(WithJpgExtension(L"scan.jpeg"), L"scan.jpeg.jpg");
    EXPECT_EQ(WithJpgExtension(L"jpg"), L"jpg.jpg");

    std::set<std::wstring> taken{L"D:\\S\\1-Pellix.jpg", L"D:\\S\\1-Pellix (2).jpg", L"D:\\a.b\\x"};
    const auto isTaken = [&](const std::wstring& p) {
        return taken.count(p) > 0;
    };
    EXPECT_EQ(FreePath(L"D:\\S\\2-Pellix.jpg", isTaken), L"D:\\S\\2-Pellix.jpg");
    EXPECT_EQ(FreePath(L"D:\\S\\1-Pellix.jpg", isTaken), L"D:\\S\\1-Pellix (3).jpg");
    EXPECT_EQ(FreePath(L"D:\\a.b\\x", isTaken), L"D:\\a.b\\x (2)");
}

} // namespace
} // namespace pellix
