// The user's number format, from the regional settings.
#pragma once

#include "app/settings/number_text.h"

namespace pellix {

NumberFormat UserNumberFormat();

} // namespace pellix
