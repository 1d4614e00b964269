// Encodes a bitmap page as a GIF file with giflib. Palette pages keep their
// colour table exactly (a black-and-white page gives a two-colour GIF).
// Pages with more colours get a palette of their own colours: exactly when
// they have at most 256, otherwise from Wu's quantizer with Floyd-Steinberg
// error diffusion. That takes two passes over the rows; memory stays bounded
// by a few rows and fixed-size tables. Unequal horizontal and vertical
// resolutions become the GIF pixel aspect ratio.
#pragma once

#include "app/components/files/byte_sink.h"
#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/encode_outcome.h"

#include <cstdint>

namespace pellix {

EncodeOutcome EncodeGif(const BmpImage& page, ByteSink& out);

// The GIF aspect byte for a page's resolution: 0 (none) when equal or
// unknown, else (64 * pixel width / pixel height) - 15.
std::uint8_t GifAspectByte(std::int32_t xPixelsPerMetre, std::int32_t yPixelsPerMetre);

} // namespace pellix
