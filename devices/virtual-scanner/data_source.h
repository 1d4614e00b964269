// The virtual scanner as a TWAIN data source: the source side of the state
// machine and the answer to every triplet it supports.
//
//   3  loaded, closed      --MSG_OPENDS-->     4  open
//   4  open                --MSG_ENABLEDS-->   5  enabled (dialog shown, or scan pending)
//   5  enabled             --MSG_XFERREADY-->  6  a page is ready to transfer
//   6  ready               --transfer-->       7  transferring / transferred
//   6, 7                   --MSG_ENDXFER-->    5  (one page per enable; MSG_RESET from 6)
//   5 --MSG_DISABLEDS--> 4 --MSG_CLOSEDS--> 3
//
// A triplet in the wrong state fails with TWCC_SEQERROR, an unknown one
// with TWCC_BADPROTOCOL; DAT_STATUS reports (and clears) the condition of
// the last failure.
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/manager_link.h"
#include "devices/virtual-scanner/scan_dialog.h"

#include <memory>

namespace pellix::vscan {

class DataSource {
public:
    explicit DataSource(HINSTANCE module);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    // One call of DS_Entry. Throws std::bad_alloc when memory runs out;
    // the caller turns that into a failure with Fail().
    twain::TW_UINT16 Call(twain::TW_IDENTITY* origin, twain::TW_UINT32 group, twain::TW_UINT16 dat,
                          twain::TW_UINT16 message, twain::TW_MEMREF data);

    // Records the condition for DAT_STATUS and returns TWRC_FAILURE.
    twain::TW_UINT16 Fail(twain::TW_UINT16 condition);

private:
    enum class State { Closed = 3, Open = 4, Enabled = 5, Ready = 6, Transferring = 7 };
    struct Session;

    twain::TW_UINT16 Control(twain::TW_IDENTITY* origin, twain::TW_UINT16 dat,
                             twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 Image(twain::TW_UINT16 dat, twain::TW_UINT16 message, twain::TW_MEMREF data);

    twain::TW_UINT16 Identity(twain::TW_IDENTITY* origin, twain::TW_UINT16 message,
                              twain::TW_MEMREF data);
    twain::TW_UINT16 EntryPoint(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 Status(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 Capability(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 Event(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 UserInterface(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 PendingTransfers(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 SetupMemoryTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 ImageInfo(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 ImageLayout(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 NativeTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 MemoryTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);

    bool InState(State first, State last) const { return state_ >= first && state_ <= last; }
    twain::TW_IDENTITY OwnIdentity() const;
    void Enable(const twain::TW_USERINTERFACE& ui);
    void AnswerDialog(ScanDialog::Outcome outcome, ScanDialog::Choice choice);
    void StartScan();
    void AskToClose();
    void EndPage();

    HINSTANCE module_;
    ManagerLink manager_;
    State state_ = State::Closed;
    twain::TW_UINT16 condition_ = twain::TWCC_SUCCESS;
    std::unique_ptr<Session> session_;
};

} // namespace pellix::vscan
