// Loads the built data source and plays both the manager (a fake one handed
// over through DAT_ENTRYPOINT, so notifications arrive here) and the
// application.
#pragma once

#include "app/components/twain_protocol.h"

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
    ScopedEnvironment& set(const std::wstring& name, const std::wstring& value);

private:
    std::map<std::wstring, std::optional<std::wstring>> saved_;
};

// A DAT_NULL from the source to the application.
struct Notification {
    twain::TW_UINT32 originId, destinationId;
    twain::TW_UINT16 message;
};

struct FakeManager {
    static twain::TW_ENTRYPOINT entryPoints();
    static std::vector<Notification>& notifications();
    static long liveBlocks(); // allocated and not freed yet
    static void freeBlock(twain::TW_HANDLE handle);
};

// The built data source, as Windows (or Wine) sees it.
std::wstring builtSourcePath();

class LoadedSource {
public:
    static constexpr twain::TW_UINT32 kApplicationId = 7;
    static constexpr twain::TW_UINT32 kSourceId = 42;

    explicit LoadedSource(const std::wstring& path = builtSourcePath());
    ~LoadedSource(); // winds the source down from any state, then unloads it
    LoadedSource(const LoadedSource&) = delete;
    LoadedSource& operator=(const LoadedSource&) = delete;

    HMODULE module() const { return module_; }
    twain::TW_UINT16 call(twain::TW_UINT32 group, twain::TW_UINT16 dat, twain::TW_UINT16 message,
                          void* data);
    twain::TW_UINT16 conditionCode(); // DAT_STATUS
    // Hands over the fake manager and opens the source: state 4.
    twain::TW_UINT16 open();
    twain::TW_UINT16 enable(bool showUI, HWND parent = nullptr);
    // Runs the application's message loop (MSG_PROCESSEVENT first) until the
    // source sends a notification, or gives up after ten seconds.
    std::optional<twain::TW_UINT16> waitForNotification();
    void openAndScan(); // up to MSG_XFERREADY: state 6
    void finish();      // MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS: state 3

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

CapabilityReply askCapability(LoadedSource& source, twain::TW_UINT16 cap, twain::TW_UINT16 message);
// MSG_SET with a TW_ONEVALUE.
twain::TW_UINT16 setCapability(LoadedSource& source, twain::TW_UINT16 cap,
                               twain::TW_UINT16 itemType, twain::TW_UINT32 item);

inline twain::TW_UINT32 dpiItem(double dpi) {
    return twain::Fix32ToItem(twain::DoubleToFix32(dpi));
}

// One source at a time, on a 40 x 25 mm page.
class SourceTest : public testing::Test {
protected:
    ScopedEnvironment environment_;
    std::optional<LoadedSource> ds_;

    void SetUp() override { environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25"); }
    // A fresh source, opened: state 4.
    LoadedSource& open() {
        ds_.emplace();
        EXPECT_EQ(ds_->open(), twain::TWRC_SUCCESS);
        return *ds_;
    }
    void expectFailure(twain::TW_UINT32 group, twain::TW_UINT16 dat, twain::TW_UINT16 message,
                       void* data, twain::TW_UINT16 condition);
    // DAT_STATUS reports the condition once.
    void expectCondition(twain::TW_UINT16 condition);
    twain::TW_UINT16 pending(twain::TW_UINT16 message = twain::MSG_GET);
    twain::TW_UINT16 disable();
    twain::TW_UINT32 current(twain::TW_UINT16 cap) {
        return askCapability(*ds_, cap, twain::MSG_GETCURRENT).items.at(0);
    }
};

} // namespace pellix::vscan::test
