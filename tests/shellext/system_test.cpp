// PellixExt.dll changing the prefix: picking "Pellix to here" (which program
// starts, on which path, in which working folder: a probe program stands in
// for Pellix.exe and records how it was started), self-registration, and
// the whole road from the registered handler to a page scanned by the real
// Pellix.exe.
#include "tests/shellext/extension.h"
#include "tests/support/environment.h"
#include "tests/support/pellix_process.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>

namespace pellix::test {
namespace {

// A copy of the start probe; each start adds a line "tail<TAB>working folder".
class Probe {
public:
    explicit Probe(std::wstring path) : path_(std::move(path)) {
        CopyFileW(WindowsPath(START_PROBE_EXE).c_str(), path_.c_str(), FALSE);
    }
    ~Probe() {
        DeleteFileW(path_.c_str());
        DeleteFileW((path_ + L".log").c_str());
    }
    const std::wstring& Path() const { return path_; }
    std::vector<std::wstring> Starts() const {
        const std::string bytes = FileExists(path_ + L".log") ? ReadBytes(path_ + L".log") : "";
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        std::vector<std::wstring> starts;
        for (size_t end; (end = text.find(L'\n')) != std::wstring::npos; text.erase(0, end + 1)) {
            starts.push_back(text.substr(0, end));
        }
        return starts;
    }

private:
    std::wstring path_;
};

// HKEY_LOCAL_MACHINE "Software\Orvane\PellixExt", removed before and after.
struct AppToStart {
    AppToStart() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Orvane"); }
    ~AppToStart() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Orvane"); }
    void Set(DWORD type, const void* data, size_t bytes) const {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Orvane\\PellixExt", L"AppToStart",
                                  type, data, DWORD(bytes)),
                  ERROR_SUCCESS);
    }
    void Set(const std::wstring& path) const {
        Set(REG_SZ, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    }
};

class ShellextInvoke : public testing::Test {
protected:
    Extension extension_;
    AppToStart appToStart_;
    TempFolder tools_{L"Tools 100%"};
    Probe probe_{tools_.Join(L"Pellix.exe")};

    // Picks the command on a handler set up on folder or selection, and
    // waits for probe to record one more start.
    std::wstring Pick(PCIDLIST_ABSOLUTE folder, IDataObject* selection, const Probe& probe) {
        const size_t before = probe.Starts().size();
        com_ptr<IContextMenu> menu =
            Prepared(extension_.NewHandler<IShellExtInit>(IID_IShellExtInit), folder, selection);
        EXPECT_TRUE(menu && Invoke(*menu.get(), MAKEINTRESOURCEA(0)) == S_OK);
        EXPECT_TRUE(Eventually([&] { return probe.Starts().size() > before; }))
            << "not started: " << testing::PrintToString(probe.Path());
        const std::vector<std::wstring> starts = probe.Starts();
        return starts.size() > before ? starts[before] : L"";
    }
};

// The program gets the whole path, unquoted, and starts in that folder.
TEST_F(ShellextInvoke, TheTargetIsTheFolderOrTheFirstSelectedItem) {
    appToStart_.Set(probe_.Path()); // a percent sign in its folder
    TempFolder scans(L"My Scans"), foreign(L"Scans \u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C");
    const std::wstring text = scans.Join(L"notes.txt");
    WriteBytes(text, "notes");
    IdList scansList(scans.Path()), foreignList(foreign.Path()), virtualFolder;
    Selection others({L"C:\\windows"}), three({scans.Path(), text, L"C:\\windows"}),
        textFile({text});
    const struct {
        const char* name;
        PCIDLIST_ABSOLUTE folder;
        IDataObject* selection;
        std::wstring started;
    } rows[] = {
        {"folder background", scansList.get(), &others, scans.Path() + L"\t" + scans.Path()},
        {"outside the code page", foreignList.get(), nullptr,
         foreign.Path() + L"\t" + foreign.Path()},
        {"virtual folder", virtualFolder.get(), &three, scans.Path() + L"\t" + scans.Path()},
        {"three selected", nullptr, &three, scans.Path() + L"\t" + scans.Path()},
        // A file is no working folder: the program starts in the file's own.
        {"text file", nullptr, &textFile, text + L"\t" + scans.Path()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Pick(row.folder, row.selection, probe_), row.started);
    }
    EXPECT_EQ(probe_.Starts().size(), std::size(rows));
}

TEST_F(ShellextInvoke, AppToStartNamesTheProgramOrTheDefaultIsStarted) {
    TempFolder scans(L"Scans"), folder;
    IdList scansList(scans.Path());
    CreateDirectoryW(L"C:\\Program Files\\Orvane", nullptr);
    CreateDirectoryW(L"C:\\Program Files\\Orvane\\Pellix", nullptr);
    Probe fallback(L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe");
    // A program whose path is 255 characters long, the longest taken.
    Probe longest(folder.Join(std::wstring(255 - folder.Path().size() - 5, L'p') + L".exe"));
    const std::wstring& probe = probe_.Path();
    const std::wstring tooLong(256, L'x'); // no program
    const DWORD number = 7;
    const struct {
        const char* name;
        std::function<void()> set;
        const Probe& started;
    } rows[] = {
        {"absent", [] {}, fallback},
        {"set", [&] { appToStart_.Set(probe); }, probe_},
        {"not expanded",
         [&] { appToStart_.Set(REG_EXPAND_SZ, probe.data(), probe.size() * 2 + 2); }, probe_},
        {"255 characters", [&] { appToStart_.Set(longest.Path()); }, longest},
        {"256 characters", [&] { appToStart_.Set(tooLong); }, fallback},
        {"no terminating zero", [&] { appToStart_.Set(REG_SZ, tooLong.data(), 512); }, fallback},
        {"a number", [&] { appToStart_.Set(REG_DWORD, &number, sizeof number); }, fallback},
        {"empty", [&] { appToStart_.Set(L""); }, fallback},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.set();
        EXPECT_EQ(Pick(scansList.get(), nullptr, row.started), scans.Path() + L"\t" + scans.Path());
    }
    EXPECT_EQ(fallback.Starts().size() + probe_.Starts().size() + longest.Starts().size(),
              std::size(rows))
        << "one program per pick";
    RemoveTree(L"C:\\Program Files\\Orvane");
}

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kHandlerClassIdText;
const std::wstring kServerKey = kClassKey + L"\\InprocServer32";
const std::wstring kMenuKey = L"txtfile\\ShellEx\\ContextMenuHandlers\\SimpleShlExt";
const std::wstring kApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key,
                                         const wchar_t* value = nullptr) {
    wchar_t text[1024];
    DWORD bytes = sizeof text;
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &bytes)) {
        return std::nullopt;
    }
    return std::wstring(text);
}

// The numbers of subkeys and of values of a key; none when it is absent.
std::optional<std::pair<DWORD, DWORD>> KeyContents(HKEY root, const std::wstring& key) {
    HKEY opened;
    DWORD subkeys = 0, values = 0;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened)) {
        return std::nullopt;
    }
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return std::make_pair(subkeys, values);
}

TEST(ShellextRegistration, WithoutTheApprovedListNothingIsRegistered) {
    ComApartment com;
    Extension extension;
    ASSERT_EQ(extension.Call("DllUnregisterServer"), S_OK);
    ASSERT_EQ(KeyContents(HKEY_LOCAL_MACHINE, kApprovedKey)->second, 0u)
        << "the test prefix approves nothing else";
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(extension.Call("DllRegisterServer"), E_ACCESSDENIED);
    EXPECT_FALSE(KeyContents(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(extension.Call("DllUnregisterServer"), S_OK);
    HKEY restored;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str(), &restored), ERROR_SUCCESS);
    RegCloseKey(restored);
}

DWORD Regsvr32(const std::wstring& arguments) {
    Program regsvr32(L"C:\\windows\\system32\\regsvr32.exe", L"/s " + arguments, L"C:\\");
    return regsvr32.Started() && regsvr32.Ended(60000) ? regsvr32.ExitCode() : ~0u;
}

// Registered by regsvr32 like any shell extension, from a folder whose name
// the registry script must quote, created by class identifier, set up on a
// folder and picked: the real Pellix.exe scans a page into the folder. Then
// unregistered, twice.
TEST(ShellextWholeRoad, PickingTheRegisteredCommandScansAPageIntoTheFolder) {
    TempFolder ext(L"Pellix's Ext"), install(L"pellix-road"), temp(L"pellix-road-temp"),
        scans(L"Road Scans");
    ComApartment com; // unloads the extension before its folder goes
    const std::wstring dll = ext.Join(L"PellixExt.dll"), exe = install.Join(L"Pellix.exe");
    ASSERT_TRUE(CopyFileW(ExtensionPath().c_str(), dll.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(WindowsPath(PELLIX_EXE).c_str(), exe.c_str(), FALSE));
    AppToStart appToStart;
    appToStart.Set(exe);
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Environment environment{{L"TMP", temp.Path().c_str()}, {L"TEMP", temp.Path().c_str()}};
    // Foreign entries below the script's own keys go: they are rebuilt whole.
    for (const std::wstring& key : {kClassKey, kServerKey, kMenuKey}) {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, (key + L"\\Foreign").c_str(), nullptr, REG_SZ, L"x", 4);
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Foreign", REG_SZ, L"x", 4);
    }
    ASSERT_EQ(Regsvr32(L"\"" + dll + L"\""), 0u);
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kClassKey), std::make_pair(1ul, 1ul));
    EXPECT_EQ(
        _wcsicmp(RegistryText(HKEY_CLASSES_ROOT, kServerKey).value_or(L"").c_str(), dll.c_str()),
        0);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kServerKey, L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kServerKey), std::make_pair(0ul, 2ul));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kMenuKey), kHandlerClassIdText);
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kMenuKey), std::make_pair(0ul, 1ul));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText),
              L"PellixShlExt extension");
    {
        com_ptr<IShellExtInit> init;
        ASSERT_EQ(CoCreateInstance(kHandlerClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellExtInit, init.put_void()),
                  S_OK);
        IdList folder(scans.Path());
        com_ptr<IContextMenu> menu = Prepared(std::move(init), folder.get(), nullptr);
        ASSERT_TRUE(menu);
        EXPECT_EQ(Invoke(*menu.get(), MAKEINTRESOURCEA(0)), S_OK);
    }
    EXPECT_TRUE(Eventually([&] { return !FilesIn(scans.Path(), L"*.jpg").empty(); }));
    // A running program cannot be deleted: this waits for Pellix to end.
    EXPECT_TRUE(Eventually([&] { return DeleteFileW(exe.c_str()) != FALSE; }));
    const std::vector<std::wstring> jpegs = FilesIn(scans.Path(), L"*.jpg");
    ASSERT_EQ(jpegs.size(), 1u);
    EXPECT_EQ(ReadBytes(scans.Join(jpegs[0])).substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(FilesIn(scans.Path()), jpegs) << "nothing else is left in the folder";

    for (int time = 0; time < 2; ++time) {
        EXPECT_EQ(Regsvr32(L"/u \"" + dll + L"\""), 0u);
        EXPECT_FALSE(KeyContents(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(KeyContents(HKEY_CLASSES_ROOT, kMenuKey));
        EXPECT_FALSE(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText));
        // Only what the script never removes stays.
        EXPECT_TRUE(KeyContents(HKEY_CLASSES_ROOT, L"txtfile\\ShellEx\\ContextMenuHandlers"));
    }
}

} // namespace
} // namespace pellix::test
