// SPDX-License-Identifier: MIT
#include "app/settings.h"

#include "platform/profile.h"

#include <algorithm>
#include <string>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

template <class T>
T InRangeOr(T value, T low, T high, T fallback)
{
    return value < low || value > high ? fallback : value;
}

// Positions: a value below 100 twips becomes 0 (a window 50 twips from the
// edge comes back at the edge); above the range it takes the default, 0.
std::int32_t PositionInRange(std::int32_t value)
{
    return value < 100 || value > 32767 ? 0 : value;
}

std::int32_t SizeInRange(std::int32_t value)
{
    return InRangeOr<std::int32_t>(value, 100, 32767, 3000);
}

class SettingsReader {
public:
    SettingsReader(const fs::path& file, const IniErrorSink& onError) : m_file(file), m_onError(onError) {}

    bool Bool(const char* section, const char* key, bool def) const
    {
        return GetIniBoolean(section, key, def, m_file, m_onError);
    }
    std::int16_t Int(const char* section, const char* key, std::int16_t def) const
    {
        return GetIniInteger(section, key, def, m_file, m_onError);
    }
    std::int32_t Long(const char* section, const char* key, std::int32_t def) const
    {
        return GetIniLong(section, key, def, m_file, m_onError);
    }
    std::string String(const char* section, const char* key) const
    {
        return GetIniString(section, key, "", m_file, m_onError);
    }

private:
    const fs::path& m_file;
    const IniErrorSink& m_onError;
};

std::string Decimal(std::int64_t value)
{
    return std::to_string(value);
}

}  // namespace

WindowRect BringOntoScreen(WindowRect rect, std::span<const ScreenArea> screens)
{
    const auto fits = [&rect](const ScreenArea& s) {
        return rect.left >= s.left && rect.left <= s.left + s.width - kTwipsPerInch && rect.top >= s.top &&
               rect.top <= s.top + s.height - kTwipsPerInch;
    };
    if (screens.empty() || std::any_of(screens.begin(), screens.end(), fits)) return rect;
    const ScreenArea& primary = screens.front();
    if (rect.top < primary.top || rect.top > primary.top + primary.height - kTwipsPerInch) rect.top = primary.top;
    if (rect.left < primary.left || rect.left > primary.left + primary.width - kTwipsPerInch) rect.left = primary.left;
    return rect;
}

Settings ReadSettings(const fs::path& file, ScreenSize screen, const IniErrorSink& onError,
                      std::span<const ScreenArea> screens)
{
    Settings s;
    // A file that cannot be read at all is reported once, not once per key.
    if (auto probe = ProfileDocument::Load(file); !probe) {
        if (onError) onError(IniFailureMessage("Error getting string from ", file, probe.error()));
        return s;
    }

    const SettingsReader r(file, onError);
    s.defaultDepth = InRangeOr<std::int16_t>(r.Int("OMForm", "DefaultDepth", 6), 1, 100, 6);
    s.autoHelp = r.Bool("Main", "AutoHelp", false);
    s.showOrigin = r.Bool("OMForm", "ShowOrigin", false);
    s.showChildCount = r.Bool("OMForm", "ShowChildCount", false);
    s.showFlags = r.Bool("OMForm", "ShowFlags", false);
    s.showMember = r.Bool("OMForm", "ShowMember", true);
    s.treeWidth = InRangeOr<std::int32_t>(r.Long("OMForm", "TreeWidth", 500), 100, 32767, 500);
    s.treeIndent = InRangeOr<std::int16_t>(r.Int("OMForm", "TreeIndent", 400), 200, 1400, 400);
    s.compactDat = r.Bool("Main", "CompactDAT", true);
    s.openDlgAtTop = r.Bool("Main", "OpenDlgAtTop", false);
    s.splitMode = r.Bool("Main", "SplitMode", false);
    s.scaleFactor = InRangeOr<std::int16_t>(r.Int("Main", "ScaleFactor", 50), 10, 90, 50);
    s.windowState = r.Int("Main", "WindowState", 2);

    WindowRect& rect = s.startRect;
    if (s.windowState != static_cast<std::int16_t>(WindowState::Minimised)) {
        s.startState = s.windowState;
        rect.top = PositionInRange(r.Long("Main", "Top", 0));
        rect.left = PositionInRange(r.Long("Main", "Left", 0));
        rect.height = SizeInRange(r.Long("Main", "Height", 3000));
        rect.width = SizeInRange(r.Long("Main", "Width", 3000));
    } else {
        // Closed while minimised: open as it was before the minimising.
        const std::int16_t before = r.Int("Main", "StateBeforeMin", 2);
        s.startState = before == 0 ? 0 : 2;
        rect.top = PositionInRange(r.Long("Main", "TopBeforeMin", 0));
        rect.left = PositionInRange(r.Long("Main", "LeftBeforeMin", 0));
        rect.height = SizeInRange(r.Long("Main", "HeightBeforeMin", 3000));
        rect.width = SizeInRange(r.Long("Main", "WidthBeforeMin", 3000));
    }
    if (s.splitMode) {
        s.startState = static_cast<std::int16_t>(WindowState::Normal);
        rect.top = 0;
        rect.left = 0;
        rect.width = screen.width;
        rect.height = static_cast<std::int32_t>(static_cast<std::int64_t>(screen.height) * s.scaleFactor / 100);
    }
    // A place past the screen's edges, or on a screen that has since gone,
    // comes back onto the primary screen.
    const ScreenArea primaryOnly[] = {ScreenArea{0, 0, screen.width, screen.height}};
    rect = BringOntoScreen(rect, screens.empty() ? std::span<const ScreenArea>(primaryOnly) : screens);

    s.fonts.textbox = r.Int("Fonts", "Textbox", 8);
    s.fonts.label = r.Int("Fonts", "Label", 8);
    s.fonts.tree = r.Int("Fonts", "Tree", 8);
    s.fonts.listbox = r.Int("Fonts", "Listbox", 8);

    s.currentLibrary = r.String("Main", "CurrentLibrary");
    s.noWelcome = r.Bool("Main", "NoWelcome", false);
    return s;
}

bool WriteClosingSettings(const fs::path& file, const Settings& s, const ClosingState& closing,
                          const IniErrorSink& onError)
{
    return UpdateIniFile(
        file,
        [&](ProfileDocument& doc) {
            doc.Set("OMForm", "DefaultDepth", Decimal(s.defaultDepth));
            doc.Set("OMForm", "ShowOrigin", IniBooleanText(s.showOrigin));
            doc.Set("OMForm", "ShowChildCount", IniBooleanText(s.showChildCount));
            doc.Set("OMForm", "ShowFlags", IniBooleanText(s.showFlags));
            doc.Set("OMForm", "ShowMember", IniBooleanText(s.showMember));

            doc.Set("Main", "AutoHelp", IniBooleanText(s.autoHelp));
            doc.Set("Main", "CompactDAT", IniBooleanText(s.compactDat));
            doc.Set("Main", "OpenDlgAtTop", IniBooleanText(s.openDlgAtTop));

            doc.Set("OMForm", "TreeIndent", Decimal(s.treeIndent));
            if (closing.state != WindowState::Minimised) doc.Set("OMForm", "TreeWidth", Decimal(closing.treeWidth));

            if (closing.currentLibrary) doc.Set("Main", "CurrentLibrary", *closing.currentLibrary);

            // In split mode the geometry saved before split mode was switched on stays.
            if (!s.splitMode) {
                doc.Set("Main", "WindowState", Decimal(static_cast<std::int16_t>(closing.state)));
                if (closing.state == WindowState::Normal) {
                    doc.Set("Main", "Top", Decimal(closing.rect.top));
                    doc.Set("Main", "Left", Decimal(closing.rect.left));
                    doc.Set("Main", "Width", Decimal(closing.rect.width));
                    doc.Set("Main", "Height", Decimal(closing.rect.height));
                }
            }

            doc.Set("Main", "ScaleFactor", Decimal(s.scaleFactor));
            doc.Set("Main", "SplitMode", s.splitMode ? "1" : "0");

            doc.Set("Fonts", "Textbox", Decimal(s.fonts.textbox));
            doc.Set("Fonts", "Label", Decimal(s.fonts.label));
            doc.Set("Fonts", "Listbox", Decimal(s.fonts.listbox));
            doc.Set("Fonts", "Tree", Decimal(s.fonts.tree));
        },
        onError);
}

bool WriteBeforeMinSettings(const fs::path& file, WindowState stateBefore, const WindowRect& rectBefore,
                            const IniErrorSink& onError)
{
    return UpdateIniFile(
        file,
        [&](ProfileDocument& doc) {
            doc.Set("Main", "StateBeforeMin", Decimal(static_cast<std::int16_t>(stateBefore)));
            doc.Set("Main", "LeftBeforeMin", Decimal(rectBefore.left));
            doc.Set("Main", "TopBeforeMin", Decimal(rectBefore.top));
            doc.Set("Main", "HeightBeforeMin", Decimal(rectBefore.height));
            doc.Set("Main", "WidthBeforeMin", Decimal(rectBefore.width));
        },
        onError);
}

}  // namespace arbolith
