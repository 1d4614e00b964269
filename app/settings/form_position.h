// Window positions kept in the settings file: what a window must offer to
// have its place saved and restored, and the arithmetic that keeps a
// restored window inside the screen. Platform-neutral; all measures are
// twips.
#pragma once

#include <cstdint>
#include <optional>

namespace pellix {

enum class FormState { Normal, Minimised, Maximised };

struct ScreenMeasures {
    double width = 0;  // twips
    double height = 0; // twips
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};

struct FormRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const FormRect&) const = default;
};

// A window whose place can be saved and restored. Each query answers
// nothing when the window cannot tell; each action answers false when it
// was refused.
class PositionedForm {
public:
    virtual ~PositionedForm() = default;
    // The outer frame in its current (normal) state, twips from the
    // screen's top left corner.
    virtual std::optional<double> Left() const = 0;
    virtual std::optional<double> Top() const = 0;
    virtual std::optional<double> Width() const = 0;
    virtual std::optional<double> Height() const = 0;
    virtual std::optional<FormState> State() const = 0;
    virtual std::optional<ScreenMeasures> Screen() const = 0;
    // Moves and sizes the window in one step.
    virtual bool Move(const FormRect& place) = 0;
    virtual bool Maximise() = 0;
};

// A measure rounded to whole twips, halves to even; nothing beyond the
// 32-bit range.
std::optional<std::int32_t> WholeTwips(double twips);

// The stored rectangle raised to the minimum size and pulled inside the
// screen less a margin of 4 pixels on each side. Nothing when an edge sum
// leaves the 32-bit range. The result may fall below the minimum on a
// screen too small for it; the caller then leaves the window alone.
std::optional<FormRect> FitToScreen(FormRect stored, std::int32_t minWidth, std::int32_t minHeight,
                                    const ScreenMeasures& screen);

} // namespace pellix
