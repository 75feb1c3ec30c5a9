// SPDX-License-Identifier: MIT
// The program-wide settings kept in ZV.INI: read once at start-up, held in
// memory while the program runs, written back when the main window closes.
// Sizes and positions are in twips (1/1440 inch) so the file keeps its
// meaning across screens of any resolution.
#pragma once

#include "dialogs/font_sizes.h"

#include "platform/ini.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace arbolith {

inline constexpr std::int32_t kTwipsPerInch = 1440;

enum class WindowState : std::int16_t { Normal = 0, Minimised = 1, Maximised = 2 };

struct WindowRect {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 3000;
    std::int32_t height = 3000;
    bool operator==(const WindowRect&) const = default;
};

// The screen the window opens on, in twips.
struct ScreenSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A screen's area on the desktop, in twips.
struct ScreenArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Keeps a saved window position when its top-left corner lies on one of the
// screens with at least an inch of that screen to its right and below it, so
// the title bar can be reached. Otherwise (the screen it was on has gone, or
// it lies past the screens' edges) the window comes back to the first screen
// of the list, the primary one: each coordinate that does not fit there
// becomes that screen's edge. With no screens the rectangle stays as it is.
WindowRect BringOntoScreen(WindowRect rect, std::span<const ScreenArea> screens);

struct Settings {
    std::int16_t defaultDepth = 6;  // default branch limit of every object
    bool autoHelp = false;
    bool showOrigin = false;
    bool showChildCount = false;
    bool showFlags = false;
    bool showMember = true;
    std::int32_t treeWidth = 500;  // splitter position
    std::int16_t treeIndent = 400;
    bool compactDat = true;
    bool openDlgAtTop = false;
    bool splitMode = false;
    std::int16_t scaleFactor = 50;  // window height in split mode, percent of the screen
    // "WindowState" as stored: the state at the last close.
    std::int16_t windowState = static_cast<std::int16_t>(WindowState::Maximised);
    FontSizes fonts;
    std::string currentLibrary;  // library of the model open at the last close
    bool noWelcome = false;

    // Where and how the window opens, worked out from the keys above and the
    // screen: after a close while minimised the state and place from before
    // the minimising; in split mode the top of the screen at full width.
    std::int16_t startState = static_cast<std::int16_t>(WindowState::Maximised);
    WindowRect startRect;
};

// Reads every key with its default and range test. The window's keys that
// are absent (a first start, no file at all) place it in the normal state at
// three quarters of the primary screen, centred, with the tree a third of its
// width; with no screen (a size of 0) they take the fixed defaults. Helper failures reach `onError` and the key takes
// its default. `screen` is the primary screen (split mode fills its width); `screens` lists every screen of the
// desktop, primary first, for the test that the saved place is still visible; empty means the primary screen alone, at
// the desktop's origin.
Settings ReadSettings(const std::filesystem::path& file, ScreenSize screen, const IniErrorSink& onError = {},
                      std::span<const ScreenArea> screens = {});

// What the main window knows when it closes.
struct ClosingState {
    WindowState state = WindowState::Maximised;
    WindowRect rect;               // the window's place in the normal state
    std::int32_t treeWidth = 500;  // the object tree's current width
    // Set once a model was opened in this run, successfully or not (then
    // possibly empty); unset leaves "CurrentLibrary" as it was.
    std::optional<std::string> currentLibrary;
};

// The closing writes, in their fixed order, as one atomic update of the file.
bool WriteClosingSettings(const std::filesystem::path& file, const Settings& settings, const ClosingState& closing,
                          const IniErrorSink& onError = {});

// Written whenever the window is minimised: the state and place it had before.
bool WriteBeforeMinSettings(const std::filesystem::path& file, WindowState stateBefore, const WindowRect& rectBefore,
                            const IniErrorSink& onError = {});

}  // namespace arbolith
