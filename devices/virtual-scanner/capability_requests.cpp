#include "devices/virtual-scanner/capability_requests.h"

#include "devices/virtual-scanner/containers.h"

#include <algorithm>

namespace pellix::vscan {

using namespace twain;

namespace {

constexpr CapabilityAnswer kSuccess{TWRC_SUCCESS, TWCC_SUCCESS};

CapabilityAnswer Failure(TW_UINT16 condition) {
    return {TWRC_FAILURE, condition};
}

std::size_t IndexOf(const std::vector<TW_UINT32>& choices, TW_UINT32 value) {
    const auto found = std::find(choices.begin(), choices.end(), value);
    return found == choices.end() ? 0 : static_cast<std::size_t>(found - choices.begin());
}

void AnswerWith(TW_CAPABILITY& request, TW_UINT16 container, TW_HANDLE handle) {
    request.ConType = container;
    request.hContainer = handle;
}

// MSG_GET: every value the capability may take.
void AnswerAll(const CapabilityValues& values, const ManagerLink& link, TW_CAPABILITY& request) {
    switch (values.container) {
    case TWON_ENUMERATION:
        AnswerWith(request, TWON_ENUMERATION,
                   MakeEnumeration(link, values.itemType, values.choices,
                                   IndexOf(values.choices, values.current),
                                   IndexOf(values.choices, values.defaultValue)));
        break;
    case TWON_ARRAY:
        AnswerWith(request, TWON_ARRAY, MakeArray(link, values.itemType, values.choices));
        break;
    default:
        AnswerWith(request, TWON_ONEVALUE, MakeOneValue(link, values.itemType, values.current));
        break;
    }
}

// MSG_GETCURRENT and MSG_GETDEFAULT: one value (a list stays a list).
void AnswerOne(const CapabilityValues& values, TW_UINT32 item, const ManagerLink& link,
               TW_CAPABILITY& request) {
    if (values.container == TWON_ARRAY) {
        AnswerWith(request, TWON_ARRAY, MakeArray(link, values.itemType, values.choices));
    } else {
        AnswerWith(request, TWON_ONEVALUE, MakeOneValue(link, values.itemType, item));
    }
}

CapabilityAnswer ChangeFailure(CapabilityChange change) {
    switch (change) {
    case CapabilityChange::Done:
        return kSuccess;
    case CapabilityChange::BadValue:
        return Failure(TWCC_BADVALUE);
    case CapabilityChange::ReadOnly:
        return Failure(TWCC_CAPBADOPERATION);
    case CapabilityChange::Unsupported:
        return Failure(TWCC_CAPUNSUPPORTED);
    }
    return Failure(TWCC_BUMMER);
}

} // namespace

CapabilityAnswer AnswerCapability(Capabilities& caps, const ManagerLink& link, TW_UINT16 message,
                                  TW_CAPABILITY& request) {
    const auto values = caps.Values(request.Cap);
    if (!values) {
        return Failure(TWCC_CAPUNSUPPORTED);
    }
    switch (message) {
    case MSG_GET:
        AnswerAll(*values, link, request);
        return kSuccess;
    case MSG_GETCURRENT:
        AnswerOne(*values, values->current, link, request);
        return kSuccess;
    case MSG_GETDEFAULT:
        AnswerOne(*values, values->defaultValue, link, request);
        return kSuccess;
    case MSG_QUERYSUPPORT: {
        TW_INT32 operations = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
        if (values->settable) {
            operations |= TWQC_SET | TWQC_RESET;
        }
        AnswerWith(request, TWON_ONEVALUE,
                   MakeOneValue(link, TWTY_INT32, static_cast<TW_UINT32>(operations)));
        return kSuccess;
    }
    case MSG_SET: {
        if (!values->settable) {
            return Failure(TWCC_CAPBADOPERATION);
        }
        const auto value = ReadOneValue(link, request);
        if (!value || value->itemType != values->itemType) {
            return Failure(TWCC_BADVALUE);
        }
        return ChangeFailure(caps.Set(request.Cap, value->item));
    }
    case MSG_RESET: {
        const CapabilityAnswer answer = ChangeFailure(caps.Reset(request.Cap));
        if (answer.returnCode == TWRC_SUCCESS) {
            // Like MSG_GET, with the value it has now.
            AnswerAll(*caps.Values(request.Cap), link, request);
        }
        return answer;
    }
    default:
        return Failure(TWCC_BADPROTOCOL);
    }
}

} // namespace pellix::vscan
