// Conversions between settings text and numbers or flags, as the INI layer
// and the settings use them. Platform-neutral: the caller passes the user's
// number format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellix {

struct NumberFormat {
    wchar_t decimalSeparator = L'.';
};

// Reads a decimal number: blanks around it, an optional sign, digits with an
// optional fraction after the locale's decimal separator. A fraction is
// rounded to the nearest integer, an exact half to the even neighbour.
// Gives nothing when the text is not such a number or the rounded value lies
// outside [minimum, maximum].
std::optional<std::int64_t> ParseRoundedInteger(std::wstring_view text, const NumberFormat& format,
                                                std::int64_t minimum, std::int64_t maximum);

std::optional<std::int32_t> ParseInt32(std::wstring_view text, const NumberFormat& format);
std::optional<std::int16_t> ParseInt16(std::wstring_view text, const NumberFormat& format);

// The words True and False in any letter case, or a number: zero is false,
// any other number true. Blanks around the text are allowed.
std::optional<bool> ParseBoolean(std::wstring_view text, const NumberFormat& format);

// A measure as decimal text in the given format: whole values without a
// fraction, others with at most four decimals, trailing zeros left out.
std::wstring FormatDecimal(double value, const NumberFormat& format);

// "True" or "False", capital first letter, as the settings file stores flags.
std::wstring FormatBoolean(bool value);

} // namespace pellix
