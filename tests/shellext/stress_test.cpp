// Many threads and many handlers: one factory for all, and nothing left
// behind.
#include "tests/shellext/extension.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace pellix::test {
namespace {

TEST(ShellextStress, ThreadsAskingAtOnceGetOneFactory) {
    constexpr int kThreads = 8;
    for (int round = 0; round < 20; ++round) {
        Extension extension; // loaded anew each round: an empty cache
        IClassFactory* got[kThreads] = {};
        std::latch start(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                extension.GetClassObject(kHandlerClassId, IID_IClassFactory,
                                         reinterpret_cast<void**>(&got[t]));
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (IClassFactory* factory : got) {
            ASSERT_NE(factory, nullptr);
            EXPECT_EQ(factory, got[0]) << "round " << round;
            factory->Release();
        }
        EXPECT_EQ(extension.CanUnloadNow(), S_OK);
    }
}

// Live GDI objects of this process. Under Wine, GetGuiResources answers 0,
// but a handle value holding only a table index finds whatever lives there.
DWORD GdiObjects() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) {
        return count;
    }
    DWORD count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index) {
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    }
    return count;
}

// Open kernel handles of this process; Wine answers the count with 0.
DWORD KernelHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) {
        return count;
    }
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    }
    return count;
}

TEST(ShellextStress, ThousandsOfHandlersLeaveNothingBehind) {
    Extension extension;
    TempFolder folder(L"Stress Folder");
    IdList list(folder.Path());
    Selection selection({folder.Path(), L"C:\\b"});
    const auto cycle = [&](int n) {
        com_ptr<IShellExtInit> init = extension.NewHandler<IShellExtInit>(IID_IShellExtInit);
        com_ptr<IContextMenu> menu;
        init->QueryInterface(IID_IContextMenu, menu.put_void());
        EXPECT_EQ(n % 2 ? init->Initialize(list.get(), nullptr, nullptr)
                        : init->Initialize(nullptr, &selection, nullptr),
                  S_OK);
        HMENU popup = CreatePopupMenu();
        menu->QueryContextMenu(popup, 0, 1, 1, CMF_NORMAL);
        wchar_t help[32];
        menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 32);
        DestroyMenu(popup);
    };
    cycle(0);
    cycle(1);
    const DWORD gdi = GdiObjects();
    const DWORD handles = KernelHandles();
    for (int n = 0; n < 3000; ++n) {
        cycle(n);
    }
    EXPECT_EQ(GdiObjects(), gdi);
    EXPECT_EQ(KernelHandles(), handles);
    EXPECT_EQ(selection.MediaOutstanding(), 0);
    EXPECT_EQ(extension.CanUnloadNow(), S_OK);
}

} // namespace
} // namespace pellix::test
