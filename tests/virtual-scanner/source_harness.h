// Test harness for the virtual scanner: loads the built data source, plays
// the manager (handing it a fake manager through DAT_ENTRYPOINT, so the
// notifications it sends arrive here) and the application.
#pragma once

#include "app/components/twain_protocol.h"

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
    twain::TW_UINT32 originId;
    twain::TW_UINT32 destinationId;
    twain::TW_UINT16 message;
};

// The manager's side: its entry points and what went through them.
struct FakeManager {
    static twain::TW_ENTRYPOINT entryPoints();
    static void clear();
    static std::vector<Notification>& notifications();
    static long liveBlocks(); // allocated and not freed yet
    static void freeBlock(twain::TW_HANDLE handle);
};

// The path of the built data source, as Windows (or Wine) sees it.
std::wstring builtSourcePath();

class LoadedSource {
public:
    static constexpr twain::TW_UINT32 kApplicationId = 7;
    static constexpr twain::TW_UINT32 kSourceId = 42;

    explicit LoadedSource(const std::wstring& path = builtSourcePath());
    // Winds the source down from whatever state it is in, then unloads it.
    ~LoadedSource();
    LoadedSource(const LoadedSource&) = delete;
    LoadedSource& operator=(const LoadedSource&) = delete;

    HMODULE module() const { return module_; }
    twain::TW_UINT16 call(twain::TW_UINT32 group, twain::TW_UINT16 dat, twain::TW_UINT16 message,
                          void* data);
    twain::TW_UINT16 conditionCode(); // DAT_STATUS

    // Hands over the fake manager and opens the source: state 4.
    twain::TW_UINT16 open();
    twain::TW_UINT16 enable(bool showUI, HWND parent = nullptr);
    // Runs the application's message loop (every message through
    // MSG_PROCESSEVENT first) until the source has sent a notification, or
    // gives up after a generous while.
    std::optional<twain::TW_UINT16> waitForNotification();
    // Open and enabled without user interface, up to MSG_XFERREADY: state 6.
    void openAndScan();
    // MSG_ENDXFER, MSG_DISABLEDS, MSG_CLOSEDS: back to state 3.
    void finish();

    twain::TW_IDENTITY application{};
    twain::TW_IDENTITY source{};

private:
    HMODULE module_ = nullptr;
    twain::DSENTRYPROC entry_ = nullptr;
};

// A capability's answer, decoded, with the container freed.
struct CapabilityReply {
    twain::TW_UINT16 returnCode = 0;
    twain::TW_UINT16 containerType = 0;
    twain::TW_UINT16 itemType = 0;
    std::vector<twain::TW_UINT32> items; // as TW_ONEVALUE items
    twain::TW_UINT32 currentIndex = 0;
    twain::TW_UINT32 defaultIndex = 0;
};

CapabilityReply askCapability(LoadedSource& source, twain::TW_UINT16 cap, twain::TW_UINT16 message);
// MSG_SET with a TW_ONEVALUE.
twain::TW_UINT16 setCapability(LoadedSource& source, twain::TW_UINT16 cap,
                               twain::TW_UINT16 itemType, twain::TW_UINT32 item);

inline twain::TW_UINT32 dpiItem(double dpi) {
    return twain::Fix32ToItem(twain::DoubleToFix32(dpi));
}

} // namespace pellix::vscan::test
