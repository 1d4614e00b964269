#include "app/settings/form_position.h"

#include <cmath>
#include <limits>

namespace pellix {
namespace {

using Limits = std::numeric_limits<std::int32_t>;

bool InRange(std::int64_t value) {
    return value >= Limits::min() && value <= Limits::max();
}

// One direction of the fit: start and extent against the screen's extent
// less the margin m on both sides.
bool FitAxis(std::int32_t& start, std::int32_t& extent, std::int64_t screen, std::int64_t m) {
    if (start < m) {
        start = static_cast<std::int32_t>(m);
    }
    const std::int64_t end = std::int64_t{start} + extent;
    if (!InRange(end)) {
        return false;
    }
    if (end > screen - m) {
        const std::int64_t moved = screen - m - extent;
        if (!InRange(moved)) {
            return false;
        }
        start = static_cast<std::int32_t>(moved < m ? m : moved);
        const std::int64_t movedEnd = std::int64_t{start} + extent;
        if (movedEnd > screen - m) {
            const std::int64_t cut = screen - start - m;
            if (!InRange(cut)) {
                return false;
            }
            extent = static_cast<std::int32_t>(cut);
        }
    }
    return true;
}

} // namespace

std::optional<std::int32_t> WholeTwips(double twips) {
    if (!std::isfinite(twips)) {
        return std::nullopt;
    }
    // nearbyint rounds halves to even in the default rounding mode.
    const double whole = std::nearbyint(twips);
    if (whole < static_cast<double>(Limits::min()) || whole > static_cast<double>(Limits::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(whole);
}

std::optional<FormRect> FitToScreen(FormRect stored, std::int32_t minWidth, std::int32_t minHeight,
                                    const ScreenMeasures& screen) {
    const auto mx = WholeTwips(4 * screen.twipsPerPixelX);
    const auto my = WholeTwips(4 * screen.twipsPerPixelY);
    const auto width = WholeTwips(screen.width);
    const auto height = WholeTwips(screen.height);
    if (!mx || !my || !width || !height) {
        return std::nullopt;
    }
    FormRect r = stored;
    if (r.width < minWidth) {
        r.width = minWidth;
    }
    if (r.height < minHeight) {
        r.height = minHeight;
    }
    if (!FitAxis(r.left, r.width, *width, *mx) || !FitAxis(r.top, r.height, *height, *my)) {
        return std::nullopt;
    }
    return r;
}

} // namespace pellix
