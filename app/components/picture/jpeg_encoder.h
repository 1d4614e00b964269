// Encodes a bitmap page as a baseline JPEG file (JFIF) with libjpeg-turbo.
// Gray and black-and-white pages give one-component JPEGs, everything else
// YCbCr. The page's resolution goes into the JFIF density. Rows are fed to
// the encoder one at a time, so memory stays near one row.
#pragma once

#include "app/components/files/byte_sink.h"
#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/encode_outcome.h"

namespace pellix {

// quality: 1 (smallest) to 100 (best); values outside are clamped.
EncodeOutcome EncodeJpeg(const BmpImage& page, int quality, ByteSink& out);

} // namespace pellix
