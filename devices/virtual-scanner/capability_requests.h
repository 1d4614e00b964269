// Answers DG_CONTROL/DAT_CAPABILITY messages from the capability values.
// The caller has already checked that the message suits the source's state.
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/capabilities.h"
#include "devices/virtual-scanner/manager_link.h"

namespace pellix::vscan {

struct CapabilityAnswer {
    twain::TW_UINT16 returnCode;
    twain::TW_UINT16 condition;
};

// Containers handed back are allocated through link and belong to the
// application. Throws std::bad_alloc when there is no room for them.
CapabilityAnswer AnswerCapability(Capabilities& caps, const ManagerLink& link,
                                  twain::TW_UINT16 message, twain::TW_CAPABILITY& request);

} // namespace pellix::vscan
