// SPDX-License-Identifier: MIT
// The main window: the object tree on the left, the property and method
// panes on the right, the status box across the top, the menu bar. It reads
// its settings when it loads, remembers where it was while it is moved,
// resized and minimised, and writes the settings back when it closes.
// Geometry is worked out in twips by SizeControls (window_layout.h) and
// converted with the logical DPI of the window's screen.
#pragma once

#include "app/folders.h"
#include "app/main_window_hooks.h"
#include "app/settings.h"
#include "app/window_layout.h"
#include "dialogs/window_helpers.h"
#include "platform/prompt.h"

#include <QMainWindow>

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace arbolith {

class SplitterGrip;

class frmZVMain : public QMainWindow {
public:
    frmZVMain(AppFolders folders, ScreenPixels screen, Prompt& prompt, MainWindowHooks& hooks,
              QWidget* parent = nullptr);
    ~frmZVMain() override;

    // Reads ZV.INI into the settings, sets the menu checks, places the
    // splitter, sets the window's state and place (not yet shown) and applies
    // the font sizes.
    void ReadINIFile();

    // Enables the Tree, View and Find menus and the Help entries that need a
    // model exactly when `enabled`; the general Help entries stay enabled.
    void MenusEnabled(bool enabled);
    // Lays out every control for a splitter position (the tree's width, in
    // twips). Later resizes lay out for the same position again.
    void SizeControls(std::int32_t splitPosition);
    // Lays out again for the splitter position last asked for (on resizes
    // and font changes).
    void LayOutAgain();
    // "On", "Off", or any other text to flip split mode.
    void ToggleSplitMode(std::string_view state);
    // Checks the font-size settings and applies them to the controls.
    void ApplyFontSizes();
    // The "(AutoHelpOn)" flag in the menu bar while AutoHelp is on.
    void SetAutoHelpCaption();
    // A short confirmation on the window's flash button.
    void FlashMessage(std::string_view message, double seconds = 1.0);

    // The closing writes to ZV.INI as a close makes them, without closing:
    // for a desktop session that ends, or a program stopped, before the
    // window was closed.
    void SaveSettings();
    // True once the window has been closed (and has written its settings).
    bool IsClosed() const { return m_closed; }

    // Records that a model was opened, successfully (its library name) or
    // not (""); closing then writes "CurrentLibrary". Until the first call
    // the key is left as it was.
    void SetCurrentLibrary(std::string library);
    const std::optional<std::string>& CurrentLibrary() const { return m_currentLibrary; }
    bool ModelOpen() const { return m_currentLibrary && !m_currentLibrary->empty(); }

    Settings& ProgramSettings() { return m_settings; }
    const Settings& ProgramSettings() const { return m_settings; }
    const AppFolders& Folders() const { return m_folders; }
    ScreenPixels ScreenSizePixels() const { return m_screen; }
    Prompt& UserPrompt() { return m_prompt; }
    const ControlLayout& Layout() const { return m_layout; }

    QPlainTextEdit* txtStatus() const { return m_txtStatus; }
    QTreeView* trvObjects() const { return m_trvObjects; }
    QTreeView* trvProps() const { return m_trvProps; }
    QTreeView* trvMethods() const { return m_trvMethods; }
    QLabel* lblNodes() const { return m_lblNodes; }
    QLabel* lblDefault() const { return m_lblDefault; }
    QLabel* lblProps() const { return m_lblProps; }
    QLabel* lblMethods() const { return m_lblMethods; }
    QWidget* imgSplitter() const;
    QWidget* picSplitter() const;
    QPushButton* cmdFlash() const { return m_cmdFlash; }
    // The menu or entry of that name ("mnuFile", "mnuWizard"), or null.
    QAction* MenuAction(std::string_view name) const;

    // Twips and pixels on the window's screen.
    std::int32_t ToPixelsX(std::int32_t twips) const;
    std::int32_t ToPixelsY(std::int32_t twips) const;
    std::int32_t ToTwipsX(std::int32_t pixels) const;
    std::int32_t ToTwipsY(std::int32_t pixels) const;

    // The window's state and its place in the normal state, in twips.
    WindowState CurrentState() const;
    WindowRect CurrentRect() const;

    // The splitter drag, in pixels of the client area (the grip forwards its
    // mouse events here).
    void BeginSplitterDrag();
    void DragSplitter(int mouseOffsetPixels);
    void EndSplitterDrag();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    struct MenuItem;
    static std::span<const MenuItem> MenuBar();
    void CreateMenus();
    void RunMenuItem(const MenuItem& item, QAction& action);
    // The window's own menu commands.
    void Exit();
    void FlipSplitMode();
    void RememberPlace();
    void SetGeometryTwips(const WindowRect& rect);
    LayoutMetrics MeasureLayout() const;
    void PlaceControl(QWidget* control, const TwipsRect& rect) const;
    IniErrorSink ReportIniErrors();

    AppFolders m_folders;
    ScreenPixels m_screen;
    Prompt& m_prompt;
    MainWindowHooks& m_hooks;
    Settings m_settings;
    std::optional<std::string> m_currentLibrary;

    ControlLayout m_layout;
    // The splitter position last asked for. The layout may use less while the
    // window is too narrow for it (as it briefly is when a window is shown at
    // its normal size before being maximised); the tree gets its width back
    // when the window grows again.
    std::int32_t m_splitPosition = 0;
    // As of the last resize or move in which the window was not minimised.
    WindowState m_lastState = WindowState::Maximised;
    WindowRect m_lastRect;
    bool m_closed = false;
    bool m_dragging = false;

    QPlainTextEdit* m_txtStatus = nullptr;
    QLabel* m_lblNodes = nullptr;
    QLabel* m_lblDefault = nullptr;
    QLabel* m_lblProps = nullptr;
    QLabel* m_lblMethods = nullptr;
    QTreeView* m_trvObjects = nullptr;
    QTreeView* m_trvProps = nullptr;
    QTreeView* m_trvMethods = nullptr;
    SplitterGrip* m_imgSplitter = nullptr;
    QFrame* m_picSplitter = nullptr;
    QPushButton* m_cmdFlash = nullptr;
    std::map<std::string, QAction*, std::less<>> m_menu;
};

}  // namespace arbolith
