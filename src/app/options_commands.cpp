// SPDX-License-Identifier: MIT
#include "app/options_commands.h"

#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "dialogs/options_window.h"
#include "dialogs/sprigs_window.h"

#include <QTreeView>

namespace arbolith {

namespace {

class MainWindowOptions : public OptionsHost {
public:
    MainWindowOptions(frmZVMain& window, browser::ObjectBrowser& browser) : m_window(window), m_browser(browser) {}

    OptionsState CurrentOptions() const override { return OptionsFromSettings(m_window.ProgramSettings()); }

    void ApplyTreeIndent(std::int16_t indent) override
    {
        m_window.ProgramSettings().treeIndent = indent;
        arbolith::ApplyTreeIndent(m_window);
    }

    void ApplyOptions(const OptionsState& state) override
    {
        Settings& settings = m_window.ProgramSettings();
        StoreOptions(state, settings);
        // The next opening or reload builds with the new default.
        m_browser.defaultDepth = settings.defaultDepth;
        m_window.ApplyFontSizes();  // lays the panes out again too
        if (settings.splitMode) m_window.ToggleSplitMode("On");
        m_window.LayOutAgain();
    }

private:
    frmZVMain& m_window;
    browser::ObjectBrowser& m_browser;
};

}  // namespace

void ApplyTreeIndent(frmZVMain& window)
{
    window.trvObjects()->setIndentation(window.ToPixelsX(window.ProgramSettings().treeIndent));
}

OptionsState OptionsFromSettings(const Settings& s)
{
    return OptionsState{s.fonts, s.treeIndent, s.defaultDepth, s.scaleFactor, s.compactDat, s.openDlgAtTop};
}

void StoreOptions(const OptionsState& state, Settings& s)
{
    s.fonts = state.fonts;
    s.treeIndent = state.treeIndent;
    s.defaultDepth = state.defaultDepth;
    s.scaleFactor = state.scaleFactor;
    s.compactDat = state.compactDat;
    s.openDlgAtTop = state.openDlgAtTop;
}

void ObjectBrowserHooks::ShowOptions(frmZVMain& window)
{
    MainWindowOptions host(window, *m_browser);
    frmOptions options(host, window.UserPrompt(), window.ScreenSizePixels(), &window);
    options.exec();
}

void ObjectBrowserHooks::ShowBranchCounts(frmZVMain& window)
{
    const browser::CurrentModel& current = m_browser->Current();
    if (!current.IsOpen()) return;
    frmSprigs sprigs(
        current.infPath, current.baseName, window.ProgramSettings().defaultDepth, window.UserPrompt(),
        window.ScreenSizePixels(), [this] { ApplyChange(m_browser->RefreshTree()); }, &window);
    sprigs.exec();
}

}  // namespace arbolith
