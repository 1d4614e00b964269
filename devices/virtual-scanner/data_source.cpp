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

void CopyText(TW_STR32& target, const std::string& text) {
    std::memset(target, 0, sizeof target);
    std::memcpy(target, text.data(), std::min(text.size(), sizeof target - 1));
}

PageStamp LocalTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace

DataSource::DataSource(HINSTANCE module) : module_(module) {}

DataSource::~DataSource() = default;

TW_UINT16 DataSource::Fail(TW_UINT16 condition) {
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 DataSource::Call(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                           TW_MEMREF data) {
    // Event traffic and the status query itself keep the last condition.
    if (!(group == DG_CONTROL && (dat == DAT_STATUS || dat == DAT_EVENT))) {
        condition_ = TWCC_SUCCESS;
    }
    switch (group) {
    case DG_CONTROL:
        return Control(origin, dat, message, data);
    case DG_IMAGE:
        return Image(dat, message, data);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::Control(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 message,
                              TW_MEMREF data) {
    switch (dat) {
    case DAT_IDENTITY:
        return Identity(origin, message, data);
    case DAT_ENTRYPOINT:
        return EntryPoint(message, data);
    case DAT_STATUS:
        return Status(message, data);
    case DAT_CAPABILITY:
        return Capability(message, data);
    case DAT_EVENT:
        return Event(message, data);
    case DAT_USERINTERFACE:
        return UserInterface(message, data);
    case DAT_PENDINGXFERS:
        return PendingTransfers(message, data);
    case DAT_SETUPMEMXFER:
        return SetupMemoryTransfer(message, data);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::Image(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    switch (dat) {
    case DAT_IMAGEINFO:
        return ImageInfo(message, data);
    case DAT_IMAGELAYOUT:
        return ImageLayout(message, data);
    case DAT_IMAGENATIVEXFER:
        return NativeTransfer(message, data);
    case DAT_IMAGEMEMXFER:
        return MemoryTransfer(message, data);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_IDENTITY DataSource::OwnIdentity() const {
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_USA;
    CopyText(identity.Version.Info, "1.0");
    identity.ProtocolMajor = 2;
    identity.ProtocolMinor = 4;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyText(identity.Manufacturer, "Pellix");
    CopyText(identity.ProductFamily, "Virtual Scanner");
    // Read on every request, so a test may rename the source between runs.
    CopyText(identity.ProductName, ReadProductName(SettingsOf(module_)));
    return identity;
}

TW_UINT16 DataSource::Identity(TW_IDENTITY* origin, TW_UINT16 message, TW_MEMREF data) {
    auto* identity = static_cast<TW_IDENTITY*>(data);
    switch (message) {
    case MSG_GET: {
        if (!identity) {
            return Fail(TWCC_BADVALUE);
        }
        // The same answer every time: the manager enumerates until a name repeats.
        TW_IDENTITY mine = OwnIdentity();
        mine.Id = identity->Id; // the manager's number for this source
        *identity = mine;
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
        if (state_ != State::Closed) {
            return Fail(TWCC_SEQERROR);
        }
        if (!identity || !origin) {
            return Fail(TWCC_BADVALUE);
        }
        TW_IDENTITY self = OwnIdentity();
        self.Id = identity->Id;
        session_ = std::make_unique<Session>(module_, ReadScannerOptions(SettingsOf(module_)),
                                             *origin, self);
        state_ = State::Open;
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
        if (state_ != State::Open) {
            return Fail(TWCC_SEQERROR);
        }
        session_.reset();
        state_ = State::Closed;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::EntryPoint(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_SET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!InState(State::Closed, State::Open)) {
        return Fail(TWCC_SEQERROR);
    }
    const auto* entry = static_cast<const TW_ENTRYPOINT*>(data);
    if (!entry || !entry->DSM_Entry) {
        return Fail(TWCC_BADVALUE);
    }
    manager_.UseEntryPoints(*entry);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::Status(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    auto* status = static_cast<TW_STATUS*>(data);
    if (!status) {
        return Fail(TWCC_BADVALUE);
    }
    status->ConditionCode = condition_;
    status->Reserved = 0;
    condition_ = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::Capability(TW_UINT16 message, TW_MEMREF data) {
    const bool changes = message == MSG_SET || message == MSG_RESET || message == MSG_RESETALL;
    const bool reads = message == MSG_GET || message == MSG_GETCURRENT ||
                       message == MSG_GETDEFAULT || message == MSG_QUERYSUPPORT;
    if (!changes && !reads) {
        return Fail(TWCC_BADPROTOCOL);
    }
    // Values may be read while open; changed only before scanning is enabled.
    if (changes ? state_ != State::Open : !InState(State::Open, State::Transferring)) {
        return Fail(TWCC_SEQERROR);
    }
    if (message == MSG_RESETALL) {
        for (const TW_UINT16 cap : Capabilities::Supported()) {
            session_->caps.Reset(cap);
        }
        return TWRC_SUCCESS;
    }
    auto* request = static_cast<TW_CAPABILITY*>(data);
    if (!request) {
        return Fail(TWCC_BADVALUE);
    }
    const CapabilityAnswer answer = AnswerCapability(session_->caps, manager_, message, *request);
    return answer.returnCode == TWRC_SUCCESS ? TWRC_SUCCESS : Fail(answer.condition);
}

TW_UINT16 DataSource::Event(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_PROCESSEVENT) {
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!InState(State::Enabled, State::Transferring)) {
        return Fail(TWCC_SEQERROR);
    }
    auto* event = static_cast<TW_EVENT*>(data);
    if (!event || !event->pEvent) {
        return Fail(TWCC_BADVALUE);
    }
    // Notifications travel through the manager; here only the dialog's own
    // keyboard navigation is taken out of the application's message loop.
    event->TWMessage = MSG_NULL;
    auto& windowMessage = *static_cast<MSG*>(event->pEvent);
    if (session_->dialog && session_->dialog->HandleMessage(windowMessage)) {
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}

TW_UINT16 DataSource::UserInterface(TW_UINT16 message, TW_MEMREF data) {
    switch (message) {
    case MSG_ENABLEDS: {
        if (state_ != State::Open) {
            return Fail(TWCC_SEQERROR);
        }
        const auto* ui = static_cast<const TW_USERINTERFACE*>(data);
        if (!ui) {
            return Fail(TWCC_BADVALUE);
        }
        Enable(*ui);
        return TWRC_SUCCESS;
    }
    case MSG_DISABLEDS:
        if (state_ != State::Enabled) {
            return Fail(TWCC_SEQERROR);
        }
        session_->window.Cancel();
        session_->dialog.reset();
        state_ = State::Open;
        return TWRC_SUCCESS;
    default:
        // MSG_ENABLEDSUIONLY included: there is no settings-only mode.
        return Fail(TWCC_BADPROTOCOL);
    }
}

void DataSource::Enable(const TW_USERINTERFACE& ui) {
    Session& session = *session_;
    const auto& answer = session.options.answer;
    const unsigned delay = session.options.delayMs;
    if (ui.ShowUI) {
        const ScanDialog::Choice initial{session.caps.Dpi(), session.caps.CurrentPixelKind()};
        session.dialog = std::make_unique<ScanDialog>(
            module_, static_cast<HWND>(ui.hParent), initial,
            [this](ScanDialog::Outcome outcome, ScanDialog::Choice choice) {
                AnswerDialog(outcome, choice);
            });
        if (answer) {
            const auto button = *answer == AutoAnswer::Cancel ? ScanDialog::Outcome::Cancel
                                                              : ScanDialog::Outcome::Scan;
            session.window.Schedule(delay, [this, button] {
                if (session_ && session_->dialog) {
                    session_->dialog->Press(button);
                }
            });
        }
    } else if (answer == AutoAnswer::Cancel) {
        session.window.Schedule(delay, [this] { AskToClose(); });
    } else {
        // Never from inside MSG_ENABLEDS: the application hears of the page
        // only once this call has returned.
        session.window.Schedule(answer ? delay : 0, [this] { StartScan(); });
    }
    state_ = State::Enabled;
}

void DataSource::AnswerDialog(ScanDialog::Outcome outcome, ScanDialog::Choice choice) {
    if (state_ != State::Enabled) {
        return;
    }
    if (outcome == ScanDialog::Outcome::Scan) {
        session_->caps.Choose(choice.dpi, choice.kind);
        session_->dialog->Hide();
        StartScan();
    } else {
        AskToClose();
    }
}

void DataSource::StartScan() {
    if (state_ != State::Enabled) {
        return;
    }
    Session& session = *session_;
    session.page = std::make_unique<PageGenerator>(session.caps.CurrentPageFormat(),
                                                   session.options.clock.value_or(LocalTimeNow()));
    state_ = State::Ready;
    manager_.Notify(session.self, session.application, MSG_XFERREADY);
}

void DataSource::AskToClose() {
    if (state_ == State::Enabled) {
        manager_.Notify(session_->self, session_->application, MSG_CLOSEDSREQ);
    }
}

void DataSource::EndPage() {
    session_->strips.reset();
    session_->page.reset();
    state_ = State::Enabled;
}

TW_UINT16 DataSource::PendingTransfers(TW_UINT16 message, TW_MEMREF data) {
    auto* pending = static_cast<TW_PENDINGXFERS*>(data);
    switch (message) {
    case MSG_GET:
        if (!InState(State::Open, State::Transferring)) {
            return Fail(TWCC_SEQERROR);
        }
        if (!pending) {
            return Fail(TWCC_BADVALUE);
        }
        break;
    case MSG_ENDXFER:
        if (!InState(State::Ready, State::Transferring)) {
            return Fail(TWCC_SEQERROR);
        }
        EndPage();
        break;
    case MSG_RESET:
        if (state_ != State::Ready) {
            return Fail(TWCC_SEQERROR);
        }
        EndPage();
        break;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
    if (pending) {
        // One page per enable.
        pending->Count = InState(State::Ready, State::Transferring) ? 1 : 0;
        pending->EOJ = 0;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::SetupMemoryTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!InState(State::Open, State::Ready)) {
        return Fail(TWCC_SEQERROR);
    }
    auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
    if (!setup) {
        return Fail(TWCC_BADVALUE);
    }
    *setup = MemoryBufferSizes(session_->page ? session_->page->Format()
                                              : session_->caps.CurrentPageFormat());
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::ImageInfo(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!InState(State::Ready, State::Transferring)) {
        return Fail(TWCC_SEQERROR);
    }
    auto* info = static_cast<TW_IMAGEINFO*>(data);
    if (!info) {
        return Fail(TWCC_BADVALUE);
    }
    *info = DescribeImage(session_->page->Format());
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::ImageLayout(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET && message != MSG_GETDEFAULT) {
        // The frame is always the whole sheet.
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!InState(State::Open, State::Ready)) {
        return Fail(TWCC_SEQERROR);
    }
    auto* layout = static_cast<TW_IMAGELAYOUT*>(data);
    if (!layout) {
        return Fail(TWCC_BADVALUE);
    }
    *layout = DescribeLayout(session_->options.paper, session_->pagesTransferred + 1);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::NativeTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    if (state_ != State::Ready || session_->caps.TransferMechanism() != TWSX_NATIVE) {
        return Fail(TWCC_SEQERROR);
    }
    auto* handle = static_cast<TW_HANDLE*>(data);
    if (!handle) {
        return Fail(TWCC_BADVALUE);
    }
    if (session_->options.answer == AutoAnswer::Fail) {
        return Fail(TWCC_OPERATIONERROR);
    }
    unique_hglobal dib = MakePackedDib(*session_->page);
    *handle = dib.release(); // the whole pointer-sized handle
    ++session_->pagesTransferred;
    state_ = State::Transferring;
    return TWRC_XFERDONE;
}

TW_UINT16 DataSource::MemoryTransfer(TW_UINT16 message, TW_MEMREF data) {
    if (message != MSG_GET) {
        return Fail(TWCC_BADPROTOCOL);
    }
    Session& session = *session_;
    const bool going =
        state_ == State::Transferring && session.strips && !session.strips->Finished();
    if (!(state_ == State::Ready || going) || session.caps.TransferMechanism() != TWSX_MEMORY) {
        return Fail(TWCC_SEQERROR);
    }
    auto* transfer = static_cast<TW_IMAGEMEMXFER*>(data);
    if (!transfer || !transfer->Memory.TheMem) {
        return Fail(TWCC_BADVALUE);
    }
    if (!session.strips) {
        session.strips = std::make_unique<MemoryStrips>(*session.page);
    }
    MemoryStrips& strips = *session.strips;
    const int height = session.page->Format().height;
    const bool failing = session.options.answer == AutoAnswer::Fail;
    if (failing && strips.NextRow() > 0) {
        return Fail(TWCC_OPERATIONERROR); // the second strip
    }
    if (transfer->Memory.Length < strips.BytesPerRow()) {
        return Fail(TWCC_BADVALUE);
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
        return Fail(TWCC_BADVALUE);
    }
    // A failing scan sends half a page first, so that there is a second strip.
    const int maxRows = failing ? std::max(1, height / 2) : height;
    const int firstRow = strips.NextRow();
    const int rows = strips.Write(buffer, transfer->Memory.Length, maxRows);

    transfer->Compression = TWCP_NONE;
    transfer->BytesPerRow = static_cast<TW_UINT32>(strips.BytesPerRow());
    transfer->Columns = static_cast<TW_UINT32>(session.page->Format().width);
    transfer->Rows = static_cast<TW_UINT32>(rows);
    transfer->XOffset = 0;
    transfer->YOffset = static_cast<TW_UINT32>(firstRow);
    transfer->BytesWritten = static_cast<TW_UINT32>(strips.BytesPerRow() * rows);
    state_ = State::Transferring;
    if (strips.Finished()) {
        ++session.pagesTransferred;
        return TWRC_XFERDONE;
    }
    return TWRC_SUCCESS;
}

} // namespace pellix::vscan
