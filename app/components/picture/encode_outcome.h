// How a picture encoder finished.
#pragma once

#include <string>

namespace pellix {

struct EncodeOutcome {
    enum class Status {
        Done,
        SinkFailed, // the output refused bytes; it knows why
        TooLarge,   // the page exceeds what the format can hold
        Failed,     // the encoding library gave up
    };
    Status status = Status::Done;
    std::string detail; // for TooLarge and Failed

    static EncodeOutcome Done() { return {}; }
    static EncodeOutcome Fail(Status status, std::string detail) {
        return {status, std::move(detail)};
    }
};

} // namespace pellix
