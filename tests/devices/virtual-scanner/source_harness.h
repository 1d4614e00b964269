// Loads the built data source and plays both the manager (a fake one handed
// over through DAT_ENTRYPOINT, so notifications arrive here) and the
// application.
#pragma once

#include "common/twain/twain_protocol.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellix::vscan::test {

// Environment variables for the source, restored when the object goes.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ScopedEnvironment& Set(const std::wstring& name, const std::wstring& value);

private:
    std::map<std::wstring, std::optional<std::wstring>> saved_;
};

// A DAT_NULL from the source to the application.
struct Notification {
    twain::TW_UINT32 originId, destinationId;
    twain::TW_UINT16 message;
};

struct FakeManager {
    static twain::TW_ENTRYPOINT EntryPoints();
    static std::vector<Notification>& Notifications();
    static long LiveBlocks(); // allocated and not freed yet
    static void FreeBlock(twain::TW_HANDLE handle);
};

// The built data source, as Windows (or Wine) sees it.
std::wstring BuiltSourcePath();

class LoadedSource {
public:
    static constexpr twain::TW_UINT32 kApplicationId = 7;
    static constexpr twain::TW_UINT32 kSourceId = 42;

    explicit LoadedSource(const std::wstring& path = BuiltSourcePath());
    ~LoadedSource(); // winds the source down from any state, then unloads it
    LoadedSource(const LoadedSource&) = delete;
    LoadedSource& operator=(const LoadedSource&) = delete;

    HMODULE Module() const { return module_; }
    twain::TW_UINT16 Call(twain::TW_UINT32 group, twain::TW_UINT16 dat, twain::TW_UINT16 message,
                          void* data);
    twain::TW_UINT16 ConditionCode(); // DAT_STATUS
    // Hands over the fake manager and opens the source: state 4.
    twain::TW_UINT16 Open();
    twain::TW_UINT16 Enable(bool showUI, HWND parent = nullptr);
    // Runs the application's message loop (MSG_PROCESSEVENT first) until the
    // source sends a notification, or gives up after ten seconds.
    std::optional<twain::TW_UINT16> WaitForNotification();
    void OpenAndScan(); // up to MSG_XFERREADY: state 6
    void Finish();      // MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS: state 3

    twain::TW_IDENTITY application{};
    twain::TW_IDENTITY source{};

private:
    HMODULE module_ = nullptr;
    twain::DSENTRYPROC entry_ = nullptr;
};

// A capability's answer, decoded, with the container freed.
struct CapabilityReply {
    twain::TW_UINT16 returnCode = 0, containerType = 0, itemType = 0;
    std::vector<twain::TW_UINT32> items; // as TW_ONEVALUE items
    twain::TW_UINT32 currentIndex = 0, defaultIndex = 0;
};

CapabilityReply AskCapability(LoadedSource& source, twain::TW_UINT16 cap, twain::TW_UINT16 message);
// MSG_SET with a TW_ONEVALUE.
twain::TW_UINT16 SetCapability(LoadedSource& source, twain::TW_UINT16 cap,
                               twain::TW_UINT16 itemType, twain::TW_UINT32 item);

inline twain::TW_UINT32 DpiItem(double dpi) {
    return twain::Fix32ToItem(twain::DoubleToFix32(dpi));
}

// One source at a time, on a 40 x 25 mm page.
class SourceTest : public testing::Test {
protected:
    ScopedEnvironment environment_;
    std::optional<LoadedSource> ds_;

    void SetUp() override { environment_.Set(L"PELLIX_VSCAN_PAGE", L"40x25"); }
    // A fresh source, opened: state 4.
    LoadedSource& Open() {
        ds_.emplace();
        EXPECT_EQ(ds_->Open(), twain::TWRC_SUCCESS);
        return *ds_;
    }
    void ExpectFailure(twain::TW_UINT32 group, twain::TW_UINT16 dat, twain::TW_UINT16 message,
                       void* data, twain::TW_UINT16 condition);
    // DAT_STATUS reports the condition once.
    void ExpectCondition(twain::TW_UINT16 condition);
    twain::TW_UINT16 Pending(twain::TW_UINT16 message = twain::MSG_GET);
    twain::TW_UINT16 Disable();
    twain::TW_UINT32 Current(twain::TW_UINT16 cap) {
        return AskCapability(*ds_, cap, twain::MSG_GETCURRENT).items.at(0);
    }
};

} // namespace pellix::vscan::test
