#include "devices/virtual-scanner/capability_requests.h"

#include "devices/virtual-scanner/containers.h"

#include <algorithm>

namespace pellix::vscan {

using namespace twain;

namespace {

constexpr CapabilityAnswer kSuccess{TWRC_SUCCESS, TWCC_SUCCESS};

CapabilityAnswer failure(TW_UINT16 condition) {
    return {TWRC_FAILURE, condition};
}

std::size_t indexOf(const std::vector<TW_UINT32>& choices, TW_UINT32 value) {
    const auto found = std::find(choices.begin(), choices.end(), value);
    return found == choices.end() ? 0 : static_cast<std::size_t>(found - choices.begin());
}

void answerWith(TW_CAPABILITY& request, TW_UINT16 container, TW_HANDLE handle) {
    request.ConType = container;
    request.hContainer = handle;
}

// MSG_GET: every value the capability may take.
void answerAll(const CapabilityValues& values, const ManagerLink& link, TW_CAPABILITY& request) {
    switch (values.container) {
    case TWON_ENUMERATION:
        answerWith(request, TWON_ENUMERATION,
                   makeEnumeration(link, values.itemType, values.choices,
                                   indexOf(values.choices, values.current),
                                   indexOf(values.choices, values.defaultValue)));
        break;
    case TWON_ARRAY:
        answerWith(request, TWON_ARRAY, makeArray(link, values.itemType, values.choices));
        break;
    default:
        answerWith(request, TWON_ONEVALUE, makeOneValue(link, values.itemType, values.current));
        break;
    }
}

// MSG_GETCURRENT and MSG_GETDEFAULT: one value (a list stays a list).
void answerOne(const CapabilityValues& values, TW_UINT32 item, const ManagerLink& link,
               TW_CAPABILITY& request) {
    if (values.container == TWON_ARRAY) {
        answerWith(request, TWON_ARRAY, makeArray(link, values.itemType, values.choices));
    } else {
        answerWith(request, TWON_ONEVALUE, makeOneValue(link, values.itemType, item));
    }
}

CapabilityAnswer changeFailure(CapabilityChange change) {
    switch (change) {
    case CapabilityChange::Done:
        return kSuccess;
    case CapabilityChange::BadValue:
        return failure(TWCC_BADVALUE);
    case CapabilityChange::ReadOnly:
        return failure(TWCC_CAPBADOPERATION);
    case CapabilityChange::Unsupported:
        return failure(TWCC_CAPUNSUPPORTED);
    }
    return failure(TWCC_BUMMER);
}

} // namespace

CapabilityAnswer answerCapability(Capabilities& caps, const ManagerLink& link, TW_UINT16 message,
                                  TW_CAPABILITY& request) {
    const auto values = caps.values(request.Cap);
    if (!values) {
        return failure(TWCC_CAPUNSUPPORTED);
    }
    switch (message) {
    case MSG_GET:
        answerAll(*values, link, request);
        return kSuccess;
    case MSG_GETCURRENT:
        answerOne(*values, values->current, link, request);
        return kSuccess;
    case MSG_GETDEFAULT:
        answerOne(*values, values->defaultValue, link, request);
        return kSuccess;
    case MSG_QUERYSUPPORT: {
        TW_INT32 operations = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
        if (values->settable) {
            operations |= TWQC_SET | TWQC_RESET;
        }
        answerWith(request, TWON_ONEVALUE,
                   makeOneValue(link, TWTY_INT32, static_cast<TW_UINT32>(operations)));
        return kSuccess;
    }
    case MSG_SET: {
        if (!values->settable) {
            return failure(TWCC_CAPBADOPERATION);
        }
        const auto value = readOneValue(link, request);
        if (!value || value->itemType != values->itemType) {
            return failure(TWCC_BADVALUE);
        }
        return changeFailure(caps.set(request.Cap, value->item));
    }
    case MSG_RESET: {
        const CapabilityAnswer answer = changeFailure(caps.reset(request.Cap));
        if (answer.returnCode == TWRC_SUCCESS) {
            // Like MSG_GET, with the value it has now.
            answerAll(*caps.values(request.Cap), link, request);
        }
        return answer;
    }
    default:
        return failure(TWCC_BADPROTOCOL);
    }
}

} // namespace pellix::vscan
