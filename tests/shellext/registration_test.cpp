// Self-registration through regsvr32 and the exports: exactly the entries
// of the registry script and the approved-extensions value, and removal
// down to the keys the script never removes.
#include "tests/shellext/system_support.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <thread>

namespace pellix::test {
namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kHandlerClassIdText;
const std::wstring kServerKey = kClassKey + L"\\InprocServer32";
const std::wstring kMenuKey = L"txtfile\\ShellEx\\ContextMenuHandlers\\SimpleShlExt";
const std::wstring kApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

DWORD Regsvr32(const std::wstring& arguments) {
    std::wstring commandLine = L"regsvr32.exe /s " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return ~0u;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// Every entry of the script, and nothing else below its own keys.
void ExpectRegistered(const std::wstring& modulePath) {
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kClassKey), L"PellixShlExt Class");
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kClassKey), std::make_pair(1ul, 1ul));
    const std::optional<std::wstring> server = RegistryText(HKEY_CLASSES_ROOT, kServerKey);
    ASSERT_TRUE(server);
    EXPECT_EQ(_wcsicmp(server->c_str(), modulePath.c_str()), 0) << testing::PrintToString(*server);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kServerKey, L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kServerKey), std::make_pair(0ul, 2ul));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kMenuKey), kHandlerClassIdText);
    EXPECT_EQ(KeyContents(HKEY_CLASSES_ROOT, kMenuKey), std::make_pair(0ul, 1ul));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText),
              L"PellixShlExt extension");
}

void ExpectUnregistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kMenuKey));
    EXPECT_FALSE(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText));
    for (const wchar_t* kept :
         {L"CLSID", L"txtfile", L"txtfile\\ShellEx", L"txtfile\\ShellEx\\ContextMenuHandlers"}) {
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kept)) << testing::PrintToString(kept);
    }
}

class ShellextRegistration : public testing::Test {
protected:
    void SetUp() override { Regsvr32(L"/u " + Quoted(ExtensionPath())); }
    void TearDown() override { Regsvr32(L"/u " + Quoted(ExtensionPath())); }
};

TEST_F(ShellextRegistration, RegisteringTwiceRebuildsAndUnregisteringTwiceAnswersOk) {
    const std::wstring module = Quoted(ExtensionPath());
    ASSERT_EQ(Regsvr32(module), 0u);
    ExpectRegistered(ExtensionPath());
    // Foreign entries below the script's own keys.
    for (const std::wstring& key : {kClassKey, kServerKey, kMenuKey}) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (key + L"\\Foreign").c_str(), nullptr, REG_SZ,
                                  L"x", 4),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Foreign", REG_SZ, L"x", 4),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(KeyContents(HKEY_CLASSES_ROOT, kClassKey), std::make_pair(2ul, 2ul));
    ASSERT_EQ(Regsvr32(module), 0u);
    ExpectRegistered(ExtensionPath());

    ASSERT_EQ(Regsvr32(L"/u " + module), 0u);
    ExpectUnregistered();
    EXPECT_EQ(Regsvr32(L"/u " + module), 0u);
    ExpectUnregistered();
}

TEST_F(ShellextRegistration, AQuoteInTheModulePathIsStoredOnce) {
    TempFolder folder(L"Pellix's Ext");
    const std::wstring copy = folder.Join(L"PellixExt.dll");
    ASSERT_TRUE(CopyFileW(ExtensionPath().c_str(), copy.c_str(), FALSE));
    ASSERT_EQ(Regsvr32(Quoted(copy)), 0u);
    ExpectRegistered(copy);
    EXPECT_EQ(Regsvr32(L"/u " + Quoted(copy)), 0u);
    ExpectUnregistered();
}

TEST_F(ShellextRegistration, WithoutTheApprovedListNothingIsRegistered) {
    ASSERT_EQ(KeyContents(HKEY_LOCAL_MACHINE, kApprovedKey).second, 0u)
        << "the test prefix approves nothing else";
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str()), ERROR_SUCCESS);
    ComApartment com;
    Extension extension;
    EXPECT_EQ(extension.RegisterServer(), E_ACCESSDENIED);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(extension.UnregisterServer(), S_OK);
    HKEY restored;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str(), 0, nullptr, 0, KEY_READ,
                              nullptr, &restored, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(restored);
}

TEST_F(ShellextRegistration, WithoutTheRegistrarTheFailureIsReported) {
    Extension extension;
    HRESULT result = S_OK;
    // A thread without COM cannot create the registrar.
    std::thread([&] { result = extension.RegisterServer(); }).join();
    EXPECT_TRUE(FAILED(result)) << std::hex << result;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText))
        << "the approved value stays";
}

// regsvr32 reporting a Windows 9x-family system (Wine's per-program
// version setting), for as long as this lives.
class Windows98Regsvr32 {
public:
    Windows98Regsvr32() {
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Version", REG_SZ, L"win98", 12);
    }
    ~Windows98Regsvr32() { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    Windows98Regsvr32(const Windows98Regsvr32&) = delete;
    Windows98Regsvr32& operator=(const Windows98Regsvr32&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\regsvr32.exe";
};

TEST_F(ShellextRegistration, OnTheWindows9xFamilyTheApprovedListIsLeftAlone) {
#ifdef _WIN64
    GTEST_SKIP() << "no 64-bit program runs on a Windows 9x-family system";
#endif
    const std::wstring module = Quoted(ExtensionPath());
    const Windows98Regsvr32 windows98;
    ASSERT_EQ(Regsvr32(module), 0u);
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kClassKey), L"PellixShlExt Class");
    EXPECT_FALSE(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText));

    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str(), kHandlerClassIdText, REG_SZ, L"x", 4);
    ASSERT_EQ(Regsvr32(L"/u " + module), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(RegistryText(HKEY_LOCAL_MACHINE, kApprovedKey, kHandlerClassIdText));
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kApprovedKey.c_str(), kHandlerClassIdText);
}

} // namespace
} // namespace pellix::test
