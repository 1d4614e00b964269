#include "app/settings/window_form.h"

#include "app/win32/window_dpi.h"
#include "common/twips.h"

#include <cmath>

namespace pellix {

double WindowForm::TwipsPerPixel() const {
    return PixelsToTwips(1, WindowDpi(window_));
}

std::optional<RECT> WindowForm::Frame() const {
    RECT frame{};
    if (!IsWindow(window_) || !GetWindowRect(window_, &frame)) {
        return std::nullopt;
    }
    return frame;
}

std::optional<double> WindowForm::Left() const {
    const auto frame = Frame();
    return frame ? std::optional<double>(frame->left * TwipsPerPixel()) : std::nullopt;
}

std::optional<double> WindowForm::Top() const {
    const auto frame = Frame();
    return frame ? std::optional<double>(frame->top * TwipsPerPixel()) : std::nullopt;
}

std::optional<double> WindowForm::Width() const {
    const auto frame = Frame();
    return frame ? std::optional<double>((frame->right - frame->left) * TwipsPerPixel())
                 : std::nullopt;
}

std::optional<double> WindowForm::Height() const {
    const auto frame = Frame();
    return frame ? std::optional<double>((frame->bottom - frame->top) * TwipsPerPixel())
                 : std::nullopt;
}

std::optional<FormState> WindowForm::State() const {
    if (!IsWindow(window_)) {
        return std::nullopt;
    }
    if (IsIconic(window_)) {
        return FormState::Minimised;
    }
    return IsZoomed(window_) ? FormState::Maximised : FormState::Normal;
}

std::optional<ScreenMeasures> WindowForm::Screen() const {
    if (!IsWindow(window_)) {
        return std::nullopt;
    }
    const double perPixel = TwipsPerPixel();
    return ScreenMeasures{GetSystemMetrics(SM_CXSCREEN) * perPixel,
                          GetSystemMetrics(SM_CYSCREEN) * perPixel, perPixel, perPixel};
}

bool WindowForm::Move(const FormRect& place) {
    const double perPixel = TwipsPerPixel();
    const auto px = [perPixel](std::int32_t twips) {
        return static_cast<int>(std::lround(twips / perPixel));
    };
    return SetWindowPos(window_, nullptr, px(place.left), px(place.top), px(place.width),
                        px(place.height), SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool WindowForm::Maximise() {
    ShowWindow(window_, SW_MAXIMIZE);
    return IsZoomed(window_) != FALSE;
}

} // namespace pellix
