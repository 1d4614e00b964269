// The distinct colours of a page, collected while there are few enough for a
// palette: a page of at most 256 colours keeps them exactly.
#pragma once

#include "app/components/picture/bmp_reader.h"

#include <cstdint>
#include <vector>

namespace pellix {

class ExactColours {
public:
    explicit ExactColours(int limit = 256);

    // rgb: `width` pixels of three bytes. Stops collecting past the limit.
    void AddRow(const std::uint8_t* rgb, std::int32_t width);

    bool Overflowed() const { return overflowed_; }
    const std::vector<RgbColour>& Colours() const { return colours_; }

    // Maps a row of colours that were all collected to their indices.
    void MapRow(const std::uint8_t* rgb, std::int32_t width, std::uint8_t* indices) const;

private:
    static constexpr std::uint32_t kEmpty = 0xffffffff;

    std::size_t Slot(std::uint32_t colour) const;
    bool Insert(std::uint32_t colour);

    int limit_;
    bool overflowed_ = false;
    std::vector<RgbColour> colours_;
    std::vector<std::uint32_t> keys_; // open addressing, a quarter full at most
    std::vector<std::uint8_t> indices_;
};

} // namespace pellix
