#include "tests/devices/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pellix::vscan::test {

using namespace twain;

namespace {

std::vector<Notification> g_notifications;
long g_liveBlocks = 0;

TW_UINT16 PASCAL FakeManagerEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                                  TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    if (!origin || !destination || group != DG_CONTROL || dat != DAT_NULL || data) {
        return TWRC_FAILURE;
    }
    g_notifications.push_back({origin->Id, destination->Id, message});
    return TWRC_SUCCESS;
}

TW_HANDLE PASCAL FakeAllocate(TW_UINT32 size) {
    HGLOBAL handle = GlobalAlloc(GHND, size);
    g_liveBlocks += handle != nullptr;
    return handle;
}

void PASCAL FakeFree(TW_HANDLE handle) {
    FakeManager::FreeBlock(handle);
}
TW_MEMREF PASCAL FakeLock(TW_HANDLE handle) {
    return GlobalLock(handle);
}
void PASCAL FakeUnlock(TW_HANDLE handle) {
    GlobalUnlock(handle);
}

constexpr int kPumpRounds = 400; // with a 25 ms wait each: ten seconds at most

} // namespace

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
        SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    }
}

ScopedEnvironment& ScopedEnvironment::Set(const std::wstring& name, const std::wstring& value) {
    if (!saved_.count(name)) {
        wchar_t old[512];
        const DWORD length = GetEnvironmentVariableW(name.c_str(), old, 512);
        saved_[name] = length ? std::optional<std::wstring>(old) : std::nullopt;
    }
    SetEnvironmentVariableW(name.c_str(), value.c_str());
    return *this;
}

TW_ENTRYPOINT FakeManager::EntryPoints() {
    TW_ENTRYPOINT entry{};
    entry.Size = sizeof entry;
    entry.DSM_Entry = FakeManagerEntry;
    entry.DSM_MemAllocate = FakeAllocate;
    entry.DSM_MemFree = FakeFree;
    entry.DSM_MemLock = FakeLock;
    entry.DSM_MemUnlock = FakeUnlock;
    return entry;
}

std::vector<Notification>& FakeManager::Notifications() {
    return g_notifications;
}
long FakeManager::LiveBlocks() {
    return g_liveBlocks;
}

void FakeManager::FreeBlock(TW_HANDLE handle) {
    if (handle && GlobalFree(handle) == nullptr) {
        --g_liveBlocks;
    }
}

std::wstring BuiltSourcePath() {
    std::string path = VSCAN_SOURCE_PATH;
    if (!path.empty() && path[0] == '/') {
        // A path of the build machine: Wine shows its root as drive Z.
        path = "Z:" + path;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return std::wstring(path.begin(), path.end());
}

LoadedSource::LoadedSource(const std::wstring& path) {
    g_notifications.clear();
    module_ = LoadLibraryW(path.c_str());
    if (module_) {
        entry_ = reinterpret_cast<DSENTRYPROC>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DS_Entry")));
    }
    application.Id = kApplicationId;
    application.ProtocolMajor = 2;
    application.ProtocolMinor = 4;
    application.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    std::strcpy(application.ProductName, "Harness");
    source.Id = kSourceId;
}

LoadedSource::~LoadedSource() {
    if (entry_) {
        Finish();
    }
    if (module_) {
        FreeLibrary(module_);
    }
}

TW_UINT16 LoadedSource::Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data) {
    if (!entry_) {
        ADD_FAILURE() << "the data source did not load";
        return TWRC_FAILURE;
    }
    return entry_(&application, group, dat, message, data);
}

TW_UINT16 LoadedSource::ConditionCode() {
    TW_STATUS status{0xffff, 0xffff};
    EXPECT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

TW_UINT16 LoadedSource::Open() {
    TW_ENTRYPOINT entry = FakeManager::EntryPoints();
    EXPECT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry), TWRC_SUCCESS);
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TW_UINT16 LoadedSource::Enable(bool showUI, HWND parent) {
    TW_USERINTERFACE ui{};
    ui.ShowUI = showUI;
    ui.ModalUI = FALSE;
    ui.hParent = parent;
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

std::optional<TW_UINT16> LoadedSource::WaitForNotification() {
    const std::size_t seen = FakeManager::Notifications().size();
    for (int round = 0; round < kPumpRounds; ++round) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event{&message, MSG_NULL};
            if (Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (FakeManager::Notifications().size() > seen) {
                return FakeManager::Notifications().back().message;
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 25, QS_ALLINPUT);
    }
    return std::nullopt;
}

void LoadedSource::OpenAndScan() {
    ASSERT_EQ(Open(), TWRC_SUCCESS);
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(WaitForNotification(), MSG_XFERREADY);
}

void LoadedSource::Finish() {
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    TW_USERINTERFACE ui{};
    Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
}

CapabilityReply AskCapability(LoadedSource& source, TW_UINT16 cap, TW_UINT16 message) {
    TW_CAPABILITY request{cap, TWON_DONTCARE16, nullptr};
    CapabilityReply reply;
    reply.returnCode = source.Call(DG_CONTROL, DAT_CAPABILITY, message, &request);
    if (reply.returnCode != TWRC_SUCCESS || !request.hContainer) {
        return reply;
    }
    reply.containerType = request.ConType;
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(request.hContainer));
    const auto readItems = [&reply](TW_UINT16 itemType, const TW_UINT8* list, TW_UINT32 count) {
        reply.itemType = itemType;
        const bool wide =
            itemType == TWTY_FIX32 || itemType == TWTY_INT32 || itemType == TWTY_UINT32;
        for (TW_UINT32 i = 0; i < count; ++i) {
            TW_UINT32 item = 0;
            std::memcpy(&item, list + i * (wide ? 4 : 2), wide ? 4 : 2);
            reply.items.push_back(item);
        }
    };
    if (request.ConType == TWON_ONEVALUE) {
        TW_ONEVALUE value;
        std::memcpy(&value, bytes, sizeof value);
        reply.itemType = value.ItemType;
        reply.items.push_back(value.Item);
    } else if (request.ConType == TWON_ENUMERATION) {
        const auto* enumeration = reinterpret_cast<const TW_ENUMERATION*>(bytes);
        reply.currentIndex = enumeration->CurrentIndex;
        reply.defaultIndex = enumeration->DefaultIndex;
        readItems(enumeration->ItemType, enumeration->ItemList, enumeration->NumItems);
    } else if (request.ConType == TWON_ARRAY) {
        const auto* array = reinterpret_cast<const TW_ARRAY*>(bytes);
        readItems(array->ItemType, array->ItemList, array->NumItems);
    } else {
        ADD_FAILURE() << "unexpected container " << request.ConType;
    }
    GlobalUnlock(request.hContainer);
    FakeManager::FreeBlock(request.hContainer);
    return reply;
}

TW_UINT16 SetCapability(LoadedSource& source, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto* value = static_cast<TW_ONEVALUE*>(GlobalLock(container));
    value->ItemType = itemType;
    value->Item = item;
    GlobalUnlock(container);
    TW_CAPABILITY request{cap, TWON_ONEVALUE, container};
    const TW_UINT16 result = source.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
    GlobalFree(container);
    return result;
}

void SourceTest::ExpectFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data,
                               TW_UINT16 condition) {
    SCOPED_TRACE(testing::Message() << "DAT " << dat << " MSG " << message);
    EXPECT_EQ(ds_->Call(group, dat, message, data), TWRC_FAILURE);
    ExpectCondition(condition);
}

void SourceTest::ExpectCondition(TW_UINT16 condition) {
    EXPECT_EQ(ds_->ConditionCode(), condition);
    EXPECT_EQ(ds_->ConditionCode(), TWCC_SUCCESS) << "reported twice";
}

TW_UINT16 SourceTest::Pending(TW_UINT16 message) {
    TW_PENDINGXFERS pending{0xeeee, 0};
    EXPECT_EQ(ds_->Call(DG_CONTROL, DAT_PENDINGXFERS, message, &pending), TWRC_SUCCESS);
    return pending.Count;
}

TW_UINT16 SourceTest::Disable() {
    TW_USERINTERFACE ui{};
    return ds_->Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

} // namespace pellix::vscan::test
