#include "app/settings/user_locale.h"

#include <windows.h>

namespace pellix {

NumberFormat UserNumberFormat() {
    NumberFormat format;
    wchar_t separator[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1) {
        format.decimalSeparator = separator[0];
    }
    return format;
}

} // namespace pellix
