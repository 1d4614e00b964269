// PellixExt.dll loaded as the shell loads it: the COM server (lock count,
// the cached class factory, refusals) and the handler (what Initialize
// accepts, the menu item, the help text, which commands it takes).
// Starting the program is in system_test.cpp.
#include "tests/shellext/extension.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace pellix::test {
namespace {

TEST(ShellextModule, TheLockCountFollowsObjectsFactoriesAndServerLocks) {
    Extension extension;
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_OK) << "right after loading";
    com_ptr<IClassFactory> factory = extension.Factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_FALSE) << "a factory held from outside";
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(extension.GetClassObject(kHandlerClassId, IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(factory.get())) << "one cached factory";
    unknown.reset();
    com_ptr<IContextMenu> handler;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, handler.put_void()), S_OK);
    factory.reset();
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_FALSE) << "a live handler";
    handler.reset();
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_OK) << "the cached factory does not count";
    extension.Factory()->LockServer(TRUE);
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_FALSE) << "a server lock";
    extension.Factory()->LockServer(FALSE);
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_OK);
}

TEST(ShellextModule, RequestsItDoesNotServeAreRefused) {
    Extension extension;
    void* object = &extension;
    EXPECT_EQ(extension.GetClassObject(IID_IContextMenu, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(extension.GetClassObject(kHandlerClassId, IID_IClassFactory, nullptr), E_POINTER);
    object = &extension;
    EXPECT_EQ(extension.Factory()->CreateInstance(nullptr, IID_IClassFactory, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(extension.Call("DllCanUnloadNow"), S_OK) << "the refused object is gone";
}

TEST(ShellextHandler, InitializeNeedsAUsablePath) {
    Extension extension;
    TempFolder folder;
    const std::wstring longName = folder.Join(std::wstring(300 - folder.Path().size(), L'x'));
    IdList realFolder(folder.Path()), virtualFolder;
    struct Row {
        const char* name;
        PCIDLIST_ABSOLUTE folder;
        std::vector<std::wstring> files;
        Selection::Kind kind;
        HRESULT expected;
    };
    const Row rows[] = {
        {"folder, no list", realFolder.get(), {}, Selection::Kind::NoList, S_OK},
        {"no list", nullptr, {}, Selection::Kind::NoList, E_INVALIDARG},
        {"empty list", nullptr, {}, Selection::Kind::List, E_INVALIDARG},
        {"259 characters", nullptr, {longName.substr(0, 259)}, Selection::Kind::List, S_OK},
        {"260 characters", nullptr, {longName.substr(0, 260)}, Selection::Kind::List, E_INVALIDARG},
        {"list without its end", nullptr, {L"C:\\a"}, Selection::Kind::Unterminated, E_INVALIDARG},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        com_ptr<IShellExtInit> handler = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
        Selection selection(row.files, row.kind);
        EXPECT_EQ(handler->Initialize(row.folder, &selection, nullptr), row.expected);
    }
    com_ptr<IShellExtInit> handler = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
    EXPECT_EQ(handler->Initialize(virtualFolder.get(), nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(handler->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST(ShellextHandler, AddsOneItemWithItsBitmapAtTheGivenPlace) {
    Extension extension;
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Open");
    AppendMenuW(menu, MF_STRING, 2, L"Print");
    EXPECT_EQ(handler->QueryContextMenu(menu, 0, 1, 100, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu), 2) << "nothing for the default command only";
    // The last identifier is not looked at, even below the first.
    EXPECT_EQ(handler->QueryContextMenu(menu, 1, 1234, 1, CMF_EXPLORE),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1))
        << "one command identifier used";
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    wchar_t text[64] = {};
    GetMenuStringW(menu, 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Pellix to here");
    EXPECT_EQ(GetMenuItemID(menu, 1), 1234u);
    EXPECT_EQ(GetMenuItemID(menu, 2), 2u);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoW(menu, 1, TRUE, &item);
    EXPECT_NE(item.hbmpUnchecked, nullptr);
    EXPECT_EQ(item.hbmpChecked, nullptr);
    DestroyMenu(menu);
}

TEST(ShellextHandler, GivesHelpTextOnlyAndWithinTheBuffer) {
    Extension extension;
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    char text[8];
    for (UINT flags : {GCS_VERBA, GCS_VERBW, GCS_VALIDATEA, GCS_VALIDATEW}) {
        EXPECT_EQ(handler->GetCommandString(0, flags, nullptr, text, 8), E_INVALIDARG) << flags;
    }
    EXPECT_EQ(handler->GetCommandString(1, GCS_HELPTEXTA, nullptr, text, 8), E_INVALIDARG);
    std::fill(std::begin(text), std::end(text), '#');
    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, 5), S_OK);
    EXPECT_EQ(std::string(text, 6), std::string("Scan\0#", 6));
    wchar_t wide[8];
    std::fill(std::begin(wide), std::end(wide), L'#');
    auto* wideName = reinterpret_cast<char*>(wide);
    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, wideName, 5), S_OK);
    EXPECT_EQ(std::wstring(wide, 6), std::wstring(L"Scan\0#", 6));
    wide[0] = L'#';
    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, wideName, 0), S_OK);
    EXPECT_EQ(wide[0], L'#') << "nothing is written into no room";
}

TEST(ShellextHandler, InvokeRefusesVerbsOtherOffsetsAndAMissingTarget) {
    Extension extension;
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(0)), E_INVALIDARG)
        << "nothing to scan into yet";
    com_ptr<IShellExtInit> init;
    ASSERT_EQ(handler->QueryInterface(IID_IShellExtInit, init.put_void()), S_OK);
    Selection selection({L"C:\\windows"});
    ASSERT_EQ(init->Initialize(nullptr, &selection, nullptr), S_OK);
    EXPECT_EQ(Invoke(*handler.get(), "open"), E_INVALIDARG);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(1)), E_INVALIDARG);
    EXPECT_EQ(handler->InvokeCommand(nullptr), E_INVALIDARG);
    IdList virtualFolder;
    EXPECT_EQ(init->Initialize(virtualFolder.get(), nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(0)), E_INVALIDARG)
        << "a failed Initialize forgets the earlier target";
}

} // namespace
} // namespace pellix::test
