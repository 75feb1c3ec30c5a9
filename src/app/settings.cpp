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

// Reads keys from ZV.INI loaded once: a damaged file with a huge line is
// read and parsed a single time, not once per key.
class SettingsReader {
public:
    SettingsReader(const ProfileDocument& doc, const fs::path& file, const IniErrorSink& onError)
        : m_doc(doc), m_file(file), m_onError(onError)
    {
    }

    bool Has(const char* section, const char* key) const { return m_doc.Get(section, key).has_value(); }
    bool Bool(const char* section, const char* key, bool def) const { return GetIniBoolean(m_doc, section, key, def); }
    std::int16_t Int(const char* section, const char* key, std::int16_t def) const
    {
        return GetIniInteger(m_doc, section, key, def, m_file, m_onError);
    }
    // A key with a range: read wide, so a value too large for 16 bits is
    // simply out of range and gives the default, without a message.
    std::int16_t Ranged(const char* section, const char* key, std::int16_t def, std::int16_t low,
                        std::int16_t high) const
    {
        const auto text = m_doc.Get(section, key);
        const auto value = text ? ParseIniNumber(*text) : std::nullopt;
        if (!value || *value < low || *value > high) return def;
        return static_cast<std::int16_t>(*value);
    }
    std::int32_t Long(const char* section, const char* key, std::int32_t def) const
    {
        return GetIniLong(m_doc, section, key, def, m_file, m_onError);
    }
    std::string String(const char* section, const char* key) const { return GetIniString(m_doc, section, key, ""); }

private:
    const ProfileDocument& m_doc;
    const fs::path& m_file;
    const IniErrorSink& m_onError;
};

// The place of a window that has none stored: three quarters of the primary
// screen each way, centred on it. Sizes stay within what the file can hold
// back (a larger stored size would read as the 3000-twip fallback).
struct FirstStartPlace {
    explicit FirstStartPlace(const ScreenArea& primary)
        : known(primary.width > 0 && primary.height > 0),
          width(std::clamp(primary.width / 4 * 3, 3000, 32767)),
          height(std::clamp(primary.height / 4 * 3, 3000, 32767)),
          left(primary.left + std::max((primary.width - width) / 2, 0)),
          top(primary.top + std::max((primary.height - height) / 2, 0))
    {
    }
    bool known;  // false without a screen: the fixed defaults apply
    std::int32_t width, height, left, top;
};

// One rectangle from its four keys. A key present reads as it always has
// (range tests and their fallbacks); a key absent takes the first-start
// place when the screen is known.
WindowRect ReadRect(const SettingsReader& r, const FirstStartPlace& first, const char* top, const char* left,
                    const char* height, const char* width)
{
    const auto position = [&](const char* key, std::int32_t firstValue) {
        return !r.Has("Main", key) && first.known ? firstValue : PositionInRange(r.Long("Main", key, 0));
    };
    const auto size = [&](const char* key, std::int32_t firstValue) {
        return !r.Has("Main", key) && first.known ? firstValue : SizeInRange(r.Long("Main", key, 3000));
    };
    WindowRect rect;
    rect.top = position(top, first.top);
    rect.left = position(left, first.left);
    rect.height = size(height, first.height);
    rect.width = size(width, first.width);
    return rect;
}

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
    auto loaded = ProfileDocument::Load(file);
    if (!loaded) {
        if (onError) onError(IniFailureMessage("Error getting string from ", file, loaded.error()));
        return s;
    }
    const ScreenArea primaryOnly[] = {ScreenArea{0, 0, screen.width, screen.height}};
    if (screens.empty()) screens = primaryOnly;
    const FirstStartPlace first(screens.front());

    const SettingsReader r(*loaded, file, onError);
    s.defaultDepth = r.Ranged("OMForm", "DefaultDepth", 6, 1, 100);
    s.autoHelp = r.Bool("Main", "AutoHelp", false);
    s.showOrigin = r.Bool("OMForm", "ShowOrigin", false);
    s.showChildCount = r.Bool("OMForm", "ShowChildCount", false);
    s.showFlags = r.Bool("OMForm", "ShowFlags", false);
    s.showMember = r.Bool("OMForm", "ShowMember", true);
    s.treeWidth = InRangeOr<std::int32_t>(r.Long("OMForm", "TreeWidth", 500), 100, 32767, 500);
    s.treeIndent = r.Ranged("OMForm", "TreeIndent", 400, 200, 1400);
    s.compactDat = r.Bool("Main", "CompactDAT", true);
    s.openDlgAtTop = r.Bool("Main", "OpenDlgAtTop", false);
    s.splitMode = r.Bool("Main", "SplitMode", false);
    s.scaleFactor = r.Ranged("Main", "ScaleFactor", 50, 10, 90);
    // No state stored (a first start): the normal state, at the first-start
    // place, rather than a maximised window whose normal size is 3000 twips.
    const bool stateStored = r.Has("Main", "WindowState") || !first.known;
    s.windowState = r.Int("Main", "WindowState", stateStored ? 2 : 0);

    WindowRect& rect = s.startRect;
    if (s.windowState != static_cast<std::int16_t>(WindowState::Minimised)) {
        s.startState = s.windowState;
        rect = ReadRect(r, first, "Top", "Left", "Height", "Width");
    } else {
        // Closed while minimised: open as it was before the minimising.
        const std::int16_t before = r.Int("Main", "StateBeforeMin", 2);
        s.startState = before == 0 ? 0 : 2;
        rect = ReadRect(r, first, "TopBeforeMin", "LeftBeforeMin", "HeightBeforeMin", "WidthBeforeMin");
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
    rect = BringOntoScreen(rect, screens);

    // No splitter position stored: the tree takes a third of the window.
    if (!r.Has("OMForm", "TreeWidth") && first.known) {
        const bool maximised = s.startState != static_cast<std::int16_t>(WindowState::Normal);
        s.treeWidth = std::min((maximised ? screens.front().width : rect.width) / 3, 32767);
    }

    // Sizes outside 4 to 36 points become 8, as ApplyFontSizes would make them.
    s.fonts.textbox = r.Ranged("Fonts", "Textbox", 8, 4, 36);
    s.fonts.label = r.Ranged("Fonts", "Label", 8, 4, 36);
    s.fonts.tree = r.Ranged("Fonts", "Tree", 8, 4, 36);
    s.fonts.listbox = r.Ranged("Fonts", "Listbox", 8, 4, 36);

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
