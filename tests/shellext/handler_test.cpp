// The handler as the shell meets it: its interface table, what Initialize
// accepts, the menu item it adds and the help text. Starting the program
// is in invoke_test.cpp.
#include "tests/shellext/extension.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace pellix::test {
namespace {

TEST(ShellextHandler, AnswersForItsTwoInterfacesOnly) {
    Extension extension;
    com_ptr<IShellExtInit> init = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
    ASSERT_TRUE(init);
    com_ptr<IUnknown> unknown;
    com_ptr<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID_IContextMenu, menu.put_void()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(init.get()));
    EXPECT_NE(static_cast<void*>(menu.get()), static_cast<void*>(init.get()));
    EXPECT_EQ(init->AddRef(), 4u) << "each answer added one reference";
    init->Release();
    for (REFIID refused : {IID_IClassFactory, IID_IContextMenu2, IID_IShellFolder}) {
        void* object = &extension;
        EXPECT_EQ(menu->QueryInterface(refused, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(menu->QueryInterface(IID_IContextMenu, nullptr), E_POINTER);
}

TEST(ShellextHandler, InitializeNeedsAUsablePath) {
    Extension extension;
    TempFolder folder;
    const std::wstring longName = folder.Join(std::wstring(300 - folder.Path().size(), L'x'));
    IdList virtualFolder(VirtualFolder());
    IdList realFolder(folder.Path());
    struct Row {
        const char* name;
        PCIDLIST_ABSOLUTE folder;
        std::vector<std::wstring> files;
        Selection::Kind kind;
        HRESULT expected;
    };
    const Row rows[] = {
        {"folder", realFolder.get(), {}, Selection::Kind::NoList, S_OK},
        {"three selected", nullptr, {L"C:\\a", L"C:\\b", L"C:\\c"}, Selection::Kind::List, S_OK},
        {"virtual folder", virtualFolder.get(), {L"C:\\a"}, Selection::Kind::List, S_OK},
        {"no list", nullptr, {}, Selection::Kind::NoList, E_INVALIDARG},
        {"empty list", nullptr, {}, Selection::Kind::List, E_INVALIDARG},
        {"259 characters", nullptr, {longName.substr(0, 259)}, Selection::Kind::List, S_OK},
        {"260 characters", nullptr, {longName.substr(0, 260)}, Selection::Kind::List, E_INVALIDARG},
        {"300 characters", nullptr, {longName}, Selection::Kind::List, E_INVALIDARG},
        {"other medium", nullptr, {L"C:\\a"}, Selection::Kind::OtherMedium, E_INVALIDARG},
        {"list without its end", nullptr, {L"C:\\a"}, Selection::Kind::Unterminated, E_INVALIDARG},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        com_ptr<IShellExtInit> handler = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
        Selection selection(row.files, row.kind);
        EXPECT_EQ(handler->Initialize(row.folder, &selection, nullptr), row.expected);
        EXPECT_EQ(selection.MediaOutstanding(), 0) << "every medium received is released";
    }
    com_ptr<IShellExtInit> handler = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
    EXPECT_EQ(handler->Initialize(virtualFolder.get(), nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(handler->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
}

std::wstring ItemText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// The menu item's bitmap for the unchecked state, or null.
HBITMAP ItemBitmap(HMENU menu, UINT position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoW(menu, position, TRUE, &item);
    EXPECT_EQ(item.hbmpChecked, nullptr);
    return item.hbmpUnchecked;
}

void ExpectOneItemAdded(const Extension& extension, bool withBitmap) {
    for (const UINT flags : {0u, UINT{CMF_EXPLORE}, UINT{CMF_NORMAL | CMF_VERBSONLY}}) {
        SCOPED_TRACE(flags);
        com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 1, L"Open");
        AppendMenuW(menu, MF_STRING, 2, L"Print");
        // The last identifier is not looked at, even below the first.
        EXPECT_EQ(handler->QueryContextMenu(menu, 1, 1234, 1, flags),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
        ASSERT_EQ(GetMenuItemCount(menu), 3);
        EXPECT_EQ(ItemText(menu, 1), L"Pellix to here");
        EXPECT_EQ(GetMenuItemID(menu, 1), 1234u);
        EXPECT_EQ(ItemText(menu, 2), L"Print");
        EXPECT_EQ(ItemBitmap(menu, 1) != nullptr, withBitmap);
        DestroyMenu(menu);
    }
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    HMENU menu = CreatePopupMenu();
    EXPECT_EQ(handler->QueryContextMenu(menu, 0, 1, 100, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    DestroyMenu(menu);
}

TEST(ShellextHandler, AddsOneItemWithItsBitmapAtTheGivenPlace) {
    ExpectOneItemAdded(Extension(), true);
}

TEST(ShellextHandler, WithoutALoadableBitmapTheItemIsStillAdded) {
    // A copy whose bitmap 206 is four bytes of nothing (Wine's resource
    // updater cannot delete a resource, only replace it).
    TempFolder folder;
    const std::wstring copy = folder.Join(L"PellixExtNoBitmap.dll");
    ASSERT_TRUE(CopyFileW(ExtensionPath().c_str(), copy.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    char junk[] = "junk";
    ASSERT_TRUE(UpdateResourceW(update, RT_BITMAP, MAKEINTRESOURCEW(206),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), junk, 4));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    Extension extension(copy);
    ASSERT_EQ(LoadBitmapW(extension.Module(), MAKEINTRESOURCEW(206)), nullptr);
    ExpectOneItemAdded(extension, false);
}

TEST(ShellextHandler, GivesHelpTextOnlyAndWithinTheBuffer) {
    Extension extension;
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    char text[64];
    for (UINT flags : {GCS_VERBA, GCS_VERBW, GCS_VALIDATEA, GCS_VALIDATEW}) {
        EXPECT_EQ(handler->GetCommandString(0, flags, nullptr, text, 64), E_INVALIDARG) << flags;
    }
    EXPECT_EQ(handler->GetCommandString(1, GCS_HELPTEXTA, nullptr, text, 64), E_INVALIDARG);
    EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, nullptr, 5), E_INVALIDARG);

    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, 64), S_OK);
    EXPECT_STREQ(text, "Scan to this folder");
    std::fill(std::begin(text), std::end(text), '#');
    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, 5), S_OK);
    EXPECT_EQ(std::string(text, 6), std::string("Scan\0#", 6));

    wchar_t wide[8];
    std::fill(std::begin(wide), std::end(wide), L'#');
    ASSERT_EQ(
        handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 5),
        S_OK);
    EXPECT_EQ(std::wstring(wide, 6), std::wstring(L"Scan\0#", 6));
    wide[0] = L'#';
    ASSERT_EQ(
        handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 0),
        S_OK);
    EXPECT_EQ(wide[0], L'#') << "nothing is written into no room";
}

TEST(ShellextHandler, InvokeRefusesVerbsOtherOffsetsAndAMissingTarget) {
    Extension extension;
    com_ptr<IContextMenu> handler = extension.NewHandler<IContextMenu>(IID_IContextMenu);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(0)), E_INVALIDARG)
        << "nothing to scan into yet";
    com_ptr<IShellExtInit> init;
    ASSERT_EQ(handler->QueryInterface(IID_IShellExtInit, init.put_void()), S_OK);
    IdList folder(VirtualFolder());
    EXPECT_EQ(init->Initialize(folder.get(), nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(0)), E_INVALIDARG)
        << "after a failed Initialize";
    Selection selection({L"C:\\windows"});
    ASSERT_EQ(init->Initialize(nullptr, &selection, nullptr), S_OK);
    EXPECT_EQ(Invoke(*handler.get(), "open"), E_INVALIDARG);
    EXPECT_EQ(Invoke(*handler.get(), MAKEINTRESOURCEA(1)), E_INVALIDARG);
    EXPECT_EQ(handler->InvokeCommand(nullptr), E_INVALIDARG);
}

} // namespace
} // namespace pellix::test
