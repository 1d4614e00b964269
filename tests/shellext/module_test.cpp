// The COM server around the handler: lock count, the cached class factory,
// aggregation, refusals, exports and resources.
#include "tests/shellext/extension.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace pellix::test {
namespace {

TEST(ShellextModule, TheLockCountFollowsObjectsFactoriesAndServerLocks) {
    Extension extension;
    EXPECT_EQ(extension.CanUnloadNow(), S_OK) << "right after loading";
    {
        com_ptr<IClassFactory> factory = extension.Factory();
        ASSERT_TRUE(factory);
        EXPECT_EQ(extension.CanUnloadNow(), S_FALSE) << "a factory held from outside";
        com_ptr<IContextMenu> handler;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, handler.put_void()), S_OK);
        factory.reset();
        EXPECT_EQ(extension.CanUnloadNow(), S_FALSE) << "a live handler";
        handler.reset();
        EXPECT_EQ(extension.CanUnloadNow(), S_OK) << "the cached factory does not count";
    }
    com_ptr<IClassFactory> factory = extension.Factory();
    factory->LockServer(TRUE);
    factory.reset();
    EXPECT_EQ(extension.CanUnloadNow(), S_FALSE);
    extension.Factory()->LockServer(FALSE);
    EXPECT_EQ(extension.CanUnloadNow(), S_OK);
}

TEST(ShellextModule, EveryRequestGetsTheOneCachedFactory) {
    Extension extension;
    com_ptr<IClassFactory> first = extension.Factory();
    com_ptr<IClassFactory> second = extension.Factory();
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(extension.GetClassObject(kHandlerClassId, IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(static_cast<IUnknown*>(first.get()), unknown.get());
}

TEST(ShellextModule, RequestsItDoesNotServeAreRefused) {
    Extension extension;
    void* object = &extension;
    EXPECT_EQ(extension.GetClassObject(IID_IContextMenu, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(extension.GetClassObject(kHandlerClassId, IID_IClassFactory, nullptr), E_POINTER);
    object = &extension;
    EXPECT_EQ(extension.GetClassObject(kHandlerClassId, IID_IContextMenu, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    com_ptr<IClassFactory> factory = extension.Factory();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, nullptr), E_POINTER);
    object = &extension;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory.reset();
    EXPECT_EQ(extension.CanUnloadNow(), S_OK) << "the refused object is gone";
}

// Captures what the module writes to the debugger output.
std::vector<std::string> debugOutput;
LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
        debugOutput.emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// An outer object that only counts the references handed to it.
struct Outer final : IUnknown {
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = static_cast<IUnknown*>(this);
        ++references;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ShellextModule, AnAggregatedHandlerGivesItsOwnUnknownOnly) {
    Extension extension;
    com_ptr<IClassFactory> factory = extension.Factory();
    Outer outer;
    void* object = &outer;
    debugOutput.clear();
    PVOID catcher = AddVectoredExceptionHandler(1, CatchDebugOutput);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &object), CLASS_E_NOAGGREGATION);
    RemoveVectoredExceptionHandler(catcher);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(debugOutput, (std::vector<std::string>{
                               "ATL: ", "CComClassFactory: asked for non IUnknown interface "
                                        "while creating an aggregated object"}));

    com_ptr<IUnknown> inner;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, inner.put_void()), S_OK);
    factory.reset();
    EXPECT_EQ(extension.CanUnloadNow(), S_FALSE);
    com_ptr<IUnknown> again;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, again.put_void()), S_OK);
    EXPECT_EQ(again.get(), inner.get()) << "the inner unknown answers for itself";
    again.reset();

    // The handler's interfaces count on the outer object and ask it.
    com_ptr<IContextMenu> menu;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, menu.put_void()), S_OK);
    EXPECT_EQ(outer.references, 2u);
    com_ptr<IUnknown> viaMenu;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, viaMenu.put_void()), S_OK);
    EXPECT_EQ(viaMenu.get(), static_cast<IUnknown*>(&outer));
    viaMenu.reset();
    menu.reset();
    EXPECT_EQ(outer.references, 1u);
    inner.reset();
    EXPECT_EQ(extension.CanUnloadNow(), S_OK);
}

TEST(ShellextModule, ExportsComeInTheirOrdinalOrder) {
    Extension extension;
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                           "DllUnregisterServer"};
    for (WORD ordinal = 1; ordinal <= 4; ++ordinal) {
        SCOPED_TRACE(names[ordinal - 1]);
        FARPROC byName = GetProcAddress(extension.Module(), names[ordinal - 1]);
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(GetProcAddress(extension.Module(), MAKEINTRESOURCEA(ordinal)), byName);
    }
}

TEST(ShellextModule, TheVersionResourceCarriesItsTexts) {
    const std::wstring path = ExtensionPath();
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(*translation, 0x04B00409u) << "language 0x0409, code page 1200";
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"FileDescription", L"PellixExt Module"},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"PellixExt"},
        {L"OriginalFilename", L"PellixExt.DLL"},
        {L"ProductName", L"PellixExt Module"},
        {L"ProductVersion", L"1, 0, 0, 1"},
        {L"CompanyName", L""},
        {L"OLESelfRegister", L""},
    };
    for (const auto& [name, expected] : texts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(data.data(),
                                   (std::wstring(L"\\StringFileInfo\\040904B0\\") + name).c_str(),
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), expected);
    }
}

TEST(ShellextModule, TheMenuBitmapIsSixteenSquareTrueColour) {
    Extension extension;
    HRSRC found = FindResourceW(extension.Module(), MAKEINTRESOURCEW(206), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    BITMAPINFOHEADER header;
    ASSERT_GE(SizeofResource(extension.Module(), found), sizeof header);
    std::memcpy(&header, LockResource(LoadResource(extension.Module(), found)), sizeof header);
    EXPECT_EQ(header.biWidth, 16);
    EXPECT_EQ(header.biHeight, 16);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_NE(FindResourceW(extension.Module(), MAKEINTRESOURCEW(101), L"REGISTRY"), nullptr);
}

} // namespace
} // namespace pellix::test
