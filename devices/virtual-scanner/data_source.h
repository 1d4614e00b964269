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

#include "app/components/twain_protocol.h"
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
    // the caller turns that into a failure with fail().
    twain::TW_UINT16 call(twain::TW_IDENTITY* origin, twain::TW_UINT32 group, twain::TW_UINT16 dat,
                          twain::TW_UINT16 message, twain::TW_MEMREF data);

    // Records the condition for DAT_STATUS and returns TWRC_FAILURE.
    twain::TW_UINT16 fail(twain::TW_UINT16 condition);

private:
    enum class State { Closed = 3, Open = 4, Enabled = 5, Ready = 6, Transferring = 7 };
    struct Session;

    twain::TW_UINT16 control(twain::TW_IDENTITY* origin, twain::TW_UINT16 dat,
                             twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 image(twain::TW_UINT16 dat, twain::TW_UINT16 message, twain::TW_MEMREF data);

    twain::TW_UINT16 identity(twain::TW_IDENTITY* origin, twain::TW_UINT16 message,
                              twain::TW_MEMREF data);
    twain::TW_UINT16 entryPoint(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 status(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 capability(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 event(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 userInterface(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 pendingTransfers(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 setupMemoryTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 imageInfo(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 imageLayout(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 nativeTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);
    twain::TW_UINT16 memoryTransfer(twain::TW_UINT16 message, twain::TW_MEMREF data);

    bool inState(State first, State last) const { return state_ >= first && state_ <= last; }
    twain::TW_IDENTITY ownIdentity() const;
    void enable(const twain::TW_USERINTERFACE& ui);
    void answerDialog(ScanDialog::Outcome outcome, ScanDialog::Choice choice);
    void startScan();
    void askToClose();
    void endPage();

    HINSTANCE module_;
    ManagerLink manager_;
    State state_ = State::Closed;
    twain::TW_UINT16 condition_ = twain::TWCC_SUCCESS;
    std::unique_ptr<Session> session_;
};

} // namespace pellix::vscan
