#include "app/settings/number_text.h"

#include <cmath>
#include <cwctype>
#include <limits>

namespace pellix {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::towlower(static_cast<std::wint_t>(text[i])) !=
            std::towlower(static_cast<std::wint_t>(word[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::int64_t> ParseRoundedInteger(std::wstring_view text, const NumberFormat& format,
                                                std::int64_t minimum, std::int64_t maximum) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }

    // Whole part. Anything beyond this bound is out of every range we serve,
    // so the value stops growing there and cannot overflow.
    constexpr std::int64_t kBeyondRange = std::int64_t{1} << 40;
    std::int64_t whole = 0;
    size_t digits = 0;
    size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        if (whole < kBeyondRange) {
            whole = whole * 10 + (text[i] - L'0');
        }
    }

    // Fraction: only its first digit and whether anything non-zero follows
    // matter for rounding.
    int firstFractionDigit = 0;
    bool restNonZero = false;
    if (i < text.size() && text[i] == format.decimalSeparator) {
        ++i;
        for (size_t f = 0; i < text.size() && IsDigit(text[i]); ++i, ++f, ++digits) {
            if (f == 0) {
                firstFractionDigit = text[i] - L'0';
            } else if (text[i] != L'0') {
                restNonZero = true;
            }
        }
    }
    if (digits == 0 || i != text.size()) {
        return std::nullopt;
    }

    const bool roundUp =
        firstFractionDigit > 5 || (firstFractionDigit == 5 && (restNonZero || whole % 2 != 0));
    if (roundUp) {
        ++whole;
    }
    const std::int64_t value = negative ? -whole : whole;
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> ParseInt32(std::wstring_view text, const NumberFormat& format) {
    const auto value = ParseRoundedInteger(text, format, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max());
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

std::optional<std::int16_t> ParseInt16(std::wstring_view text, const NumberFormat& format) {
    const auto value = ParseRoundedInteger(text, format, std::numeric_limits<std::int16_t>::min(),
                                           std::numeric_limits<std::int16_t>::max());
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*value);
}

std::optional<bool> ParseBoolean(std::wstring_view text, const NumberFormat& format) {
    const std::wstring_view word = TrimBlanks(text);
    if (EqualsIgnoringCase(word, L"true")) {
        return true;
    }
    if (EqualsIgnoringCase(word, L"false")) {
        return false;
    }
    // Any number counts, however large: only zero or not zero matters, so
    // 0.2 is true although it rounds to 0.
    if (!ParseRoundedInteger(word, format, std::numeric_limits<std::int64_t>::min(),
                             std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return word.find_first_of(L"123456789") != std::wstring_view::npos;
}

std::wstring FormatBoolean(bool value) {
    return value ? L"True" : L"False";
}

std::wstring FormatDecimal(double value, const NumberFormat& format) {
    // Scaled to ten-thousandths and rounded, so the text never shows
    // binary noise such as 8.5700000001.
    const double scaled = std::nearbyint(value * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18) {
        return L"0";
    }
    const auto units = static_cast<long long>(scaled);
    const unsigned long long magnitude = units < 0 ? 0ULL - static_cast<unsigned long long>(units)
                                                   : static_cast<unsigned long long>(units);
    std::wstring text = std::to_wstring(magnitude / 10000);
    unsigned long long fraction = magnitude % 10000;
    if (fraction != 0) {
        std::wstring digits = std::to_wstring(fraction);
        digits.insert(0, 4 - digits.size(), L'0');
        while (digits.back() == L'0') {
            digits.pop_back();
        }
        text += format.decimalSeparator;
        text += digits;
    }
    return units < 0 ? L"-" + text : text;
}

} // namespace pellix
