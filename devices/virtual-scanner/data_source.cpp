#include "devices/virtual-scanner/data_source.h"

#include "devices/virtual-scanner/capabilities.h"
#include "devices/virtual-scanner/capability_requests.h"
#include "devices/virtual-scanner/core/page_generator.h"
#include "devices/virtual-scanner/image_description.h"
#include "devices/virtual-scanner/memory_transfer.h"
#include "devices/virtual-scanner/native_transfer.h"
#include "devices/virtual-scanner/session_window.h"
#include "devices/virtual-scanner/settings_reader.h"

#include <algorithm>
#include <cstring>

namespace pellix::vscan {

using namespace twain;

// Everything that exists while the source is open (states 4 to 7).
struct DataSource::Session {
    Session(HINSTANCE module, const ScannerOptions& scannerOptions, const TW_IDENTITY& app,
            const TW_IDENTITY& source)
        : application(app), self(source), options(scannerOptions), caps(scannerOptions),
          window(module) {}

    TW_IDENTITY application;
    TW_IDENTITY self;
    ScannerOptions options;
    Capabilities caps;
    SessionWindow window;
    std::unique_ptr<ScanDialog> dialog;
    // The page of the current scan (states 6 and 7) and how far a memory
    // transfer of it has come.
    std::unique_ptr<PageGenerator> page;
    std::unique_ptr<MemoryStrips> strips;
    TW_UINT32 pagesTransferred = 0;
};

namespace {

void copyText(TW_STR32& target, const std::string& text) {
    std::memset(target, 0, sizeof target);
    std::memcpy(target, text.data(), std::min(text.size(), sizeof target - 1));
}

PageStamp localTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace

DataSource::DataSource(HINSTANCE module) : module_(module) {}

DataSource::~DataSource() = default;

TW_UINT16 DataSource::fail(TW_UINT16 condition) {
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 DataSource::call(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                           TW_MEMREF data) {
    // Event traffic and the status query itself keep the last condition.
    if (!(group == DG_CONTROL && (dat == DAT_STATUS || dat == DAT_EVENT))) {
        condition_ = TWCC_SUCCESS;
    }
    switch (group) {
    case DG_CONTROL:
        return control(origin, dat, message, data);
    case DG_IMAGE:
        return image(dat, message, data);
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::control(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 message,
                              TW_MEMREF data) {
    switch (dat) {
    case DAT_IDENTITY:
        return identity(origin, message, data);
    case DAT_ENTRYPOINT:
        return entryPoint(message, data);
    case DAT_STATUS:
        return status(message, data);
    case DAT_CAPABILITY:
        return capability(message, data);
    case DAT_EVENT:
        return event(message, data);
    case DAT_USERINTERFACE:
        return userInterface(message, data);
    case DAT_PENDINGXFERS:
        return pendingTransfers(message, data);
    case DAT_SETUPMEMXFER:
        return setupMemoryTransfer(message, data);
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::image(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    switch (dat) {
    case DAT_IMAGEINFO:
        return imageInfo(message, data);
    case DAT_IMAGELAYOUT:
        return imageLayout(message, data);
    case DAT_IMAGENATIVEXFER:
        return nativeTransfer(message, data);
    case DAT_IMAGEMEMXFER:
        return memoryTransfer(message, data);
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_IDENTITY DataSource::ownIdentity() const {
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_USA;
    copyText(identity.Version.Info, "1.0");
    identity.ProtocolMajor = 2;
    identity.ProtocolMinor = 4;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    copyText(identity.Manufacturer, "Pellix");
    copyText(identity.ProductFamily, "Virtual Scanner");
    // Read on every request, so a test may rename the source between runs.
    copyText(identity.ProductName, readProductName(settingsOf(module_)));
    return identity;
}

TW_UINT16 DataSource::identity(TW_IDENTITY* origin, TW_UINT16 message, TW_MEMREF data) {
    auto* identity = static_cast<TW_IDENTITY*>(data);
    switch (message) {
    case MSG_GET: {
        if (!identity) {
            return fail(TWCC_BADVALUE);
        }
        // The same answer every time: the manager enumerates until a name repeats.
        TW_IDENTITY mine = ownIdentity();
        mine.Id = identity->Id; // the manager's number for this source
        *identity = mine;
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
        if (state_ != State::Closed) {
            return fail(TWCC_SEQERROR);
        }
        if (!identity || !origin) {
            return fail(TWCC_BADVALUE);
        }
        TW_IDENTITY self = ownIdentity();
        self.Id = identity->Id;
        session_ = std::make_unique<Session>(module_, readScannerOptions(settingsOf(module_)),
                                             *origin, self);
        state_ = State::Open;
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
        if (state_ != State::Open) {
            return fail(TWCC_SEQERROR);
        }
        session_.reset();
        state_ = State::Closed;
        return TWRC_SUCCESS;
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::entryPoint(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_SET) {
        return fail(TWCC_BADPROTOCOL);
    }
    if (!inState(State::Closed, State::Open)) {
        return fail(TWCC_SEQERROR);
    }
    const auto* entry = static_cast<const TW_ENTRYPOINT*>(data);
    if (!entry || !entry->DSM_Entry) {
        return fail(TWCC_BADVALUE);
    }
    manager_.useEntryPoints(*entry);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::status(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return fail(TWCC_BADPROTOCOL);
    }
    auto* status = static_cast<TW_STATUS*>(data);
    if (!status) {
        return fail(TWCC_BADVALUE);
    }
    status->ConditionCode = condition_;
    status->Reserved = 0;
    condition_ = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::capability(TW_UINT16 message, TW_MEMREF data) {
    const bool changes = message == MSG_SET || message == MSG_RESET || message == MSG_RESETALL;
    const bool reads = message == MSG_GET || message == MSG_GETCURRENT ||
                       message == MSG_GETDEFAULT || message == MSG_QUERYSUPPORT;
    if (!changes && !reads) {
        return fail(TWCC_BADPROTOCOL);
    }
    // Values may be read while open; changed only before scanning is enabled.
    if (changes ? state_ != State::Open : !inState(State::Open, State::Transferring)) {
        return fail(TWCC_SEQERROR);
    }
    if (message == MSG_RESETALL) {
        for (const TW_UINT16 cap : Capabilities::supported()) {
            session_->caps.reset(cap);
        }
        return TWRC_SUCCESS;
    }
    auto* request = static_cast<TW_CAPABILITY*>(data);
    if (!request) {
        return fail(TWCC_BADVALUE);
    }
    const CapabilityAnswer answer = answerCapability(session_->caps, manager_, message, *request);
    return answer.returnCode == TWRC_SUCCESS ? TWRC_SUCCESS : fail(answer.condition);
}

TW_UINT16 DataSource::event(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_PROCESSEVENT) {
        return fail(TWCC_BADPROTOCOL);
    }
    if (!inState(State::Enabled, State::Transferring)) {
        return fail(TWCC_SEQERROR);
    }
    auto* event = static_cast<TW_EVENT*>(data);
    if (!event || !event->pEvent) {
        return fail(TWCC_BADVALUE);
    }
    // Notifications travel through the manager; here only the dialog's own
    // keyboard navigation is taken out of the application's message loop.
    event->TWMessage = MSG_NULL;
    auto& windowMessage = *static_cast<MSG*>(event->pEvent);
    if (session_->dialog && session_->dialog->handleMessage(windowMessage)) {
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}

TW_UINT16 DataSource::userInterface(TW_UINT16 message, TW_MEMREF data) {
    switch (message) {
    case MSG_ENABLEDS: {
        if (state_ != State::Open) {
            return fail(TWCC_SEQERROR);
        }
        const auto* ui = static_cast<const TW_USERINTERFACE*>(data);
        if (!ui) {
            return fail(TWCC_BADVALUE);
        }
        enable(*ui);
        return TWRC_SUCCESS;
    }
    case MSG_DISABLEDS:
        if (state_ != State::Enabled) {
            return fail(TWCC_SEQERROR);
        }
        session_->window.cancel();
        session_->dialog.reset();
        state_ = State::Open;
        return TWRC_SUCCESS;
    default:
        // MSG_ENABLEDSUIONLY included: there is no settings-only mode.
        return fail(TWCC_BADPROTOCOL);
    }
}

void DataSource::enable(const TW_USERINTERFACE& ui) {
    Session& session = *session_;
    const auto& answer = session.options.answer;
    const unsigned delay = session.options.delayMs;
    if (ui.ShowUI) {
        const ScanDialog::Choice initial{session.caps.dpi(), session.caps.pixelKind()};
        session.dialog = std::make_unique<ScanDialog>(
            module_, static_cast<HWND>(ui.hParent), initial,
            [this](ScanDialog::Outcome outcome, ScanDialog::Choice choice) {
                answerDialog(outcome, choice);
            });
        if (answer) {
            const auto button = *answer == AutoAnswer::Cancel ? ScanDialog::Outcome::Cancel
                                                              : ScanDialog::Outcome::Scan;
            session.window.schedule(delay, [this, button] {
                if (session_ && session_->dialog) {
                    session_->dialog->press(button);
                }
            });
        }
    } else if (answer == AutoAnswer::Cancel) {
        session.window.schedule(delay, [this] { askToClose(); });
    } else {
        // Never from inside MSG_ENABLEDS: the application hears of the page
        // only once this call has returned.
        session.window.schedule(answer ? delay : 0, [this] { startScan(); });
    }
    state_ = State::Enabled;
}

void DataSource::answerDialog(ScanDialog::Outcome outcome, ScanDialog::Choice choice) {
    if (state_ != State::Enabled) {
        return;
    }
    if (outcome == ScanDialog::Outcome::Scan) {
        session_->caps.choose(choice.dpi, choice.kind);
        session_->dialog->hide();
        startScan();
    } else {
        askToClose();
    }
}

void DataSource::startScan() {
    if (state_ != State::Enabled) {
        return;
    }
    Session& session = *session_;
    session.page = std::make_unique<PageGenerator>(session.caps.pageFormat(),
                                                   session.options.clock.value_or(localTimeNow()));
    state_ = State::Ready;
    manager_.notify(session.self, session.application, MSG_XFERREADY);
}

void DataSource::askToClose() {
    if (state_ == State::Enabled) {
        manager_.notify(session_->self, session_->application, MSG_CLOSEDSREQ);
    }
}

void DataSource::endPage() {
    session_->strips.reset();
    session_->page.reset();
    state_ = State::Enabled;
}

TW_UINT16 DataSource::pendingTransfers(TW_UINT16 message, TW_MEMREF data) {
    auto* pending = static_cast<TW_PENDINGXFERS*>(data);
    switch (message) {
    case MSG_GET:
        if (!inState(State::Open, State::Transferring)) {
            return fail(TWCC_SEQERROR);
        }
        if (!pending) {
            return fail(TWCC_BADVALUE);
        }
        break;
    case MSG_ENDXFER:
        if (!inState(State::Ready, State::Transferring)) {
            return fail(TWCC_SEQERROR);
        }
        endPage();
        break;
    case MSG_RESET:
        if (state_ != State::Ready) {
            return fail(TWCC_SEQERROR);
        }
        endPage();
        break;
    default:
        return fail(TWCC_BADPROTOCOL);
    }
    if (pending) {
        // One page per enable.
        pending->Count = inState(State::Ready, State::Transferring) ? 1 : 0;
        pending->EOJ = 0;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::setupMemoryTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return fail(TWCC_BADPROTOCOL);
    }
    if (!inState(State::Open, State::Ready)) {
        return fail(TWCC_SEQERROR);
    }
    auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
    if (!setup) {
        return fail(TWCC_BADVALUE);
    }
    *setup =
        memoryBufferSizes(session_->page ? session_->page->format() : session_->caps.pageFormat());
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::imageInfo(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return fail(TWCC_BADPROTOCOL);
    }
    if (!inState(State::Ready, State::Transferring)) {
        return fail(TWCC_SEQERROR);
    }
    auto* info = static_cast<TW_IMAGEINFO*>(data);
    if (!info) {
        return fail(TWCC_BADVALUE);
    }
    *info = describeImage(session_->page->format());
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::imageLayout(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET && message != MSG_GETDEFAULT) {
        // The frame is always the whole sheet.
        return fail(TWCC_BADPROTOCOL);
    }
    if (!inState(State::Open, State::Ready)) {
        return fail(TWCC_SEQERROR);
    }
    auto* layout = static_cast<TW_IMAGELAYOUT*>(data);
    if (!layout) {
        return fail(TWCC_BADVALUE);
    }
    *layout = describeLayout(session_->options.paper, session_->pagesTransferred + 1);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::nativeTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return fail(TWCC_BADPROTOCOL);
    }
    if (state_ != State::Ready || session_->caps.transferMechanism() != TWSX_NATIVE) {
        return fail(TWCC_SEQERROR);
    }
    auto* handle = static_cast<TW_HANDLE*>(data);
    if (!handle) {
        return fail(TWCC_BADVALUE);
    }
    if (session_->options.answer == AutoAnswer::Fail) {
        return fail(TWCC_OPERATIONERROR);
    }
    GlobalMemory dib = makePackedDib(*session_->page);
    *handle = dib.release(); // the whole pointer-sized handle
    ++session_->pagesTransferred;
    state_ = State::Transferring;
    return TWRC_XFERDONE;
}

TW_UINT16 DataSource::memoryTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return fail(TWCC_BADPROTOCOL);
    }
    Session& session = *session_;
    const bool going =
        state_ == State::Transferring && session.strips && !session.strips->finished();
    if (!(state_ == State::Ready || going) || session.caps.transferMechanism() != TWSX_MEMORY) {
        return fail(TWCC_SEQERROR);
    }
    auto* transfer = static_cast<TW_IMAGEMEMXFER*>(data);
    if (!transfer || !transfer->Memory.TheMem) {
        return fail(TWCC_BADVALUE);
    }
    if (!session.strips) {
        session.strips = std::make_unique<MemoryStrips>(*session.page);
    }
    MemoryStrips& strips = *session.strips;
    const int height = session.page->format().height;
    const bool failing = session.options.answer == AutoAnswer::Fail;
    if (failing && strips.nextRow() > 0) {
        return fail(TWCC_OPERATIONERROR); // the second strip
    }
    if (transfer->Memory.Length < strips.bytesPerRow()) {
        return fail(TWCC_BADVALUE);
    }

    std::uint8_t* buffer = nullptr;
    std::unique_ptr<ManagerLock> lock;
    if (transfer->Memory.Flags & TWMF_HANDLE) {
        lock = std::make_unique<ManagerLock>(manager_, transfer->Memory.TheMem);
        buffer = static_cast<std::uint8_t*>(lock->data());
    } else {
        buffer = static_cast<std::uint8_t*>(transfer->Memory.TheMem);
    }
    if (!buffer) {
        return fail(TWCC_BADVALUE);
    }
    // A failing scan sends half a page first, so that there is a second strip.
    const int maxRows = failing ? std::max(1, height / 2) : height;
    const int firstRow = strips.nextRow();
    const int rows = strips.write(buffer, transfer->Memory.Length, maxRows);

    transfer->Compression = TWCP_NONE;
    transfer->BytesPerRow = static_cast<TW_UINT32>(strips.bytesPerRow());
    transfer->Columns = static_cast<TW_UINT32>(session.page->format().width);
    transfer->Rows = static_cast<TW_UINT32>(rows);
    transfer->XOffset = 0;
    transfer->YOffset = static_cast<TW_UINT32>(firstRow);
    transfer->BytesWritten = static_cast<TW_UINT32>(strips.bytesPerRow() * rows);
    state_ = State::Transferring;
    if (strips.finished()) {
        ++session.pagesTransferred;
        return TWRC_XFERDONE;
    }
    return TWRC_SUCCESS;
}

} // namespace pellix::vscan
