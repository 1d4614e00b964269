#include "app/startup/command_line.h"
#include "app/startup/scan_naming.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace pellix {
namespace {

TEST(CommandTail, DropsTheProgramNameOnly) {
    EXPECT_EQ(CommandTail(L"\"C:\\Program Files\\Pellix\\Pellix.exe\" D:\\My Scans"),
              L"D:\\My Scans");
    EXPECT_EQ(CommandTail(L"Pellix.exe   D:\\My Scans  "), L"D:\\My Scans  ");
    EXPECT_EQ(CommandTail(L"Pellix.exe \"D:\\My Scans\""), L"\"D:\\My Scans\"");
    EXPECT_EQ(CommandTail(L"\"C:\\Pellix.exe\"D:\\x"), L"D:\\x");
    EXPECT_EQ(CommandTail(L"Pellix.exe"), L"");
    EXPECT_EQ(CommandTail(L"\"C:\\unclosed"), L"");
    EXPECT_EQ(CommandTail(L""), L"");
}

// The example machine: current folder C:\Work; D:\My Scans exists with the
// short form D:\MYSCAN~1 and holds page.bmp.
class CommandLineRule : public testing::Test {
protected:
    std::set<std::wstring> folders{L"C:\\Work", L"D:\\My Scans", L"D:\\My Scans\\"};
    std::map<std::wstring, std::wstring> longForms{
        {L"D:\\My Scans", L"D:\\My Scans"},
        {L"D:\\MYSCAN~1", L"D:\\My Scans"},
        {L"D:\\My Scans\\", L"D:\\My Scans\\"},
        {L"D:\\My Scans\\page.bmp", L"D:\\My Scans\\page.bmp"},
        {L"C:\\Work", L"C:\\Work"}};
    PathQueries system{
        [this](const std::wstring& p) {
            const auto it = longForms.find(p);
            return it == longForms.end() ? std::wstring() : it->second;
        },
        [this](const std::wstring& p) { return folders.count(p) > 0; },
        [](const std::wstring& p) { return p.empty() ? std::wstring(L"C:\\Work") : p; },
        [] {
            return std::wstring(L"C:\\Work");
        }};
};

TEST_F(CommandLineRule, ExampleTable) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* folder;
        bool scan;
    };
    for (const Row& row :
         {Row{L"", L"C:\\Work", false}, Row{L"D:\\My Scans", L"D:\\My Scans", true},
          Row{L"D:\\MYSCAN~1", L"D:\\My Scans", true}, Row{L"\"D:\\My Scans\"", L"C:\\Work", false},
          Row{L"D:\\My Scans\\page.bmp", L"D:\\My Scans\\page.bmp", false},
          Row{L"D:\\Missing", L"C:\\Work", false},
          Row{L"D:\\My Scans\\", L"D:\\My Scans\\", true}}) {
        const StartFolder start = ParseCommandLine(row.argument, system);
        EXPECT_EQ(start.CurrentFolder, row.folder)
            << testing::PrintToString(std::wstring(row.argument));
        EXPECT_EQ(start.ScanToFolder, row.scan)
            << testing::PrintToString(std::wstring(row.argument));
    }
}

TEST_F(CommandLineRule, EmptyArgumentFallsBackWhenTheCurrentFolderIsNotConfirmed) {
    folders.erase(L"C:\\Work");
    system.currentDirectory = [] {
        return std::wstring(L"C:\\Fallback");
    };
    EXPECT_EQ(ParseCommandLine(L"", system).CurrentFolder, L"C:\\Fallback");
}

TEST(DateTimeStamp, NoLeadingZerosNineToFourteenCharacters) {
    EXPECT_EQ(DateTimeStamp({2009, 11, 25, 11, 21, 38}), L"20091125112138");
    EXPECT_EQ(DateTimeStamp({2024, 3, 5, 9, 7, 3}), L"202435973");
    EXPECT_EQ(DateTimeStamp({2024, 1, 1, 0, 0, 0}), L"202411000");
}

TEST(ScanNaming, NamingTableForInvoices) {
    const std::wstring stamp = L"20091125112138";
    const std::wstring folder = FolderName(L"D:\\Scans\\Invoices");
    EXPECT_EQ(folder, L"Invoices");
    EXPECT_EQ(ProposedName(true, true, stamp, folder), L"20091125112138-Invoices");
    EXPECT_EQ(ProposedName(true, false, stamp, folder), L"20091125112138");
    EXPECT_EQ(ProposedName(false, true, stamp, folder), L"-Invoices");
    EXPECT_EQ(ProposedName(false, false, stamp, folder), L"");
    EXPECT_EQ(StampName(stamp), L"20091125112138-Pellix.jpg");

    EXPECT_EQ(WithJpgExtension(L"20091125112138-Invoices"), L"20091125112138-Invoices.jpg");
    EXPECT_EQ(WithJpgExtension(L"Receipt"), L"Receipt.jpg");
    EXPECT_EQ(WithJpgExtension(L"Receipt.JPG"), L"Receipt.JPG");
    EXPECT_EQ(WithJpgExtension(L"Receipt.jPg"), L"Receipt.jPg");
    EXPECT_EQ(WithJpgExtension(L"scan.jpeg"), L"scan.jpeg.jpg");
    EXPECT_EQ(WithJpgExtension(L"scan.png"), L"scan.png.jpg");
    EXPECT_EQ(WithJpgExtension(L" x "), L" x .jpg");
    EXPECT_EQ(WithJpgExtension(L"jpg"), L"jpg.jpg");

    EXPECT_EQ(TargetPath(L"D:\\Scans\\Invoices", L"Receipt.jpg"),
              L"D:\\Scans\\Invoices\\Receipt.jpg");
}

TEST(ScanNaming, DriveRootHasNoFolderNameAndTwoBackslashes) {
    EXPECT_EQ(FolderName(L"D:\\"), L"");
    EXPECT_EQ(FolderName(L"Scans"), L"Scans");
    EXPECT_EQ(ProposedName(true, true, L"202435973", FolderName(L"D:\\")), L"202435973-");
    EXPECT_EQ(TargetPath(L"D:\\", L"a.jpg"), L"D:\\\\a.jpg");
}

TEST(ScanNaming, FreePathNeverReplacesAnEarlierScan) {
    std::set<std::wstring> existing;
    const auto taken = [&](const std::wstring& p) {
        return existing.count(p) > 0;
    };
    EXPECT_EQ(FreePath(L"D:\\S\\1-Pellix.jpg", taken), L"D:\\S\\1-Pellix.jpg");
    existing = {L"D:\\S\\1-Pellix.jpg", L"D:\\S\\1-Pellix (2).jpg"};
    EXPECT_EQ(FreePath(L"D:\\S\\1-Pellix.jpg", taken), L"D:\\S\\1-Pellix (3).jpg");
    existing = {L"D:\\a.b\\noext"};
    EXPECT_EQ(FreePath(L"D:\\a.b\\noext", taken), L"D:\\a.b\\noext (2)");
}

} // namespace
} // namespace pellix
