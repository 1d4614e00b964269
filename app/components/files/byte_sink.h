// Where the picture encoders put their bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellix {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Gives false once writing failed; later calls keep failing.
    virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

} // namespace pellix
