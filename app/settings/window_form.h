// A top-level window seen as a PositionedForm: its frame in twips at the
// window's own resolution, its state, and the primary screen's size.
#pragma once

#include "app/settings/form_position.h"

#include <windows.h>

namespace pellix {

class WindowForm : public PositionedForm {
public:
    explicit WindowForm(HWND window) : window_(window) {}

    std::optional<double> Left() const override;
    std::optional<double> Top() const override;
    std::optional<double> Width() const override;
    std::optional<double> Height() const override;
    std::optional<FormState> State() const override;
    std::optional<ScreenMeasures> Screen() const override;
    bool Move(const FormRect& place) override;
    bool Maximise() override;

private:
    std::optional<RECT> Frame() const;
    double TwipsPerPixel() const;

    HWND window_;
};

} // namespace pellix
