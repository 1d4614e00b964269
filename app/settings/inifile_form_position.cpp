// clsInifile's window-position pair.
#include "app/settings/inifile.h"
#include "app/settings/user_locale.h"

#include <utility>

namespace pellix {
namespace {

// Puts Key (and Default) back as the caller had them, however the
// operation ends.
class KeepKeyAndDefault {
public:
    explicit KeepKeyAndDefault(clsInifile& ini)
        : ini_(ini), key_(ini.Key()), default_(ini.Default()) {}
    ~KeepKeyAndDefault() {
        ini_.SetKey(std::move(key_));
        ini_.SetDefault(std::move(default_));
    }
    KeepKeyAndDefault(const KeepKeyAndDefault&) = delete;
    KeepKeyAndDefault& operator=(const KeepKeyAndDefault&) = delete;

private:
    clsInifile& ini_;
    std::wstring key_;
    std::wstring default_;
};

} // namespace

void clsInifile::SaveFormPosition(const PositionedForm& frmThis) {
    KeepKeyAndDefault keep(*this);
    const std::optional<FormState> state = frmThis.State();
    if (!state) {
        lastReturnCode_ = 0;
        return;
    }
    if (*state == FormState::Minimised) {
        return;
    }
    // Every measure is asked for before anything is written, so a window
    // that cannot tell one leaves the stored place as it was.
    std::pair<const wchar_t*, std::optional<double>> measures[] = {
        {L"Left", frmThis.Left()},
        {L"Top", frmThis.Top()},
        {L"Width", frmThis.Width()},
        {L"Height", frmThis.Height()},
    };
    const bool maximised = *state == FormState::Maximised;
    if (!maximised) {
        for (const auto& [name, value] : measures) {
            if (!value) {
                lastReturnCode_ = 0;
                return;
            }
        }
    }
    SetKey(L"Maximised");
    SetValue(maximised ? L"1" : L"0");
    if (maximised) {
        return;
    }
    const NumberFormat format = UserNumberFormat();
    for (const auto& [name, value] : measures) {
        if (!Success()) {
            // A refused write stops here, so Success reports it.
            return;
        }
        SetKey(name);
        SetValue(FormatDecimal(*value, format));
    }
}

void clsInifile::LoadFormPosition(PositionedForm& frmThis, std::int32_t lMinWidth,
                                  std::int32_t lMinHeight) {
    KeepKeyAndDefault keep(*this);
    SetDefault(L"FAIL");
    const auto fail = [this] {
        lastReturnCode_ = 0;
    };

    // Each stored measure, or the window's current one when the key is
    // missing or unreadable.
    std::int32_t place[4] = {};
    const wchar_t* names[4] = {L"Left", L"Top", L"Width", L"Height"};
    const std::optional<double> current[4] = {frmThis.Left(), frmThis.Top(), frmThis.Width(),
                                              frmThis.Height()};
    for (int i = 0; i < 4; ++i) {
        const std::optional<std::int32_t> whole =
            current[i] ? WholeTwips(*current[i]) : std::nullopt;
        if (!whole) {
            return fail();
        }
        SetKey(names[i]);
        place[i] = CLngDefault(Value(), *whole);
    }
    const std::optional<ScreenMeasures> screen = frmThis.Screen();
    if (!screen) {
        return fail();
    }
    const std::optional<FormRect> fitted =
        FitToScreen({place[0], place[1], place[2], place[3]}, lMinWidth, lMinHeight, *screen);
    if (!fitted) {
        return fail();
    }
    if (fitted->width >= lMinWidth && fitted->height >= lMinHeight && !frmThis.Move(*fitted)) {
        return fail();
    }
    SetKey(L"Maximised");
    if (CLngDefault(Value(), 0) != 0 && !frmThis.Maximise()) {
        return fail();
    }
}

} // namespace pellix
