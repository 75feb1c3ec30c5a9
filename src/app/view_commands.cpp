// SPDX-License-Identifier: MIT
// Tree > Save View and Tree > Load View: the object tree's state kept in a
// file of the views folder and built again from it.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "browser/views.h"
#include "dialogs/load_view_window.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <QApplication>
#include <QTreeView>

namespace arbolith {

namespace fs = std::filesystem;

void ObjectBrowserHooks::SaveView()
{
    browser::ObjectBrowser& b = *m_browser;
    Prompt& prompt = m_window->UserPrompt();
    if (!b.Current().IsOpen() || b.Nodes().empty()) return;
    // The flat tree is not built from seeds and branch limits.
    if (b.IsFlatTree()) {
        prompt.Tell("This feature not available when viewing a flat tree.", PromptIcon::Information);
        return;
    }
    const auto answer = prompt.Input(
        "Enter name for this view. Name must be a VALID file name with no extension. Leave blank to cancel.",
        "Save View", "TempView");
    // Blanks around a name would end up in the file name unseen.
    const std::string typed = answer ? Trim(*answer) : std::string();
    if (typed.empty()) return;
    if (!browser::InvalidViewNameReason(typed).empty()) {
        prompt.Tell("Invalid name.", PromptIcon::Exclamation);
        return;
    }
    // An existing view whose name differs only in case is the one replaced.
    const fs::path file = browser::ViewFilePath(m_window->Folders().viewsFolder, typed);
    const std::string name = file.stem().string();
    if (FileExists(file) &&
        prompt.Ask(
            {name + " view exists. Overwrite?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No, {}}) !=
            PromptAnswer::Yes)
        return;

    const QTreeView& view = *m_window->trvObjects();
    std::vector<bool> expanded(b.Nodes().size());
    for (std::size_t i = 0; i < expanded.size(); ++i)
        expanded[i] = view.isExpanded(m_tree.IndexOfNode(static_cast<std::int32_t>(i)));
    auto current = b.CurrentView(std::move(expanded));
    if (!current) {
        prompt.Tell("Error saving view: " + current.error().description);
        return;
    }
    if (auto written = browser::WriteViewFile(file, *current); !written) {
        prompt.Tell("Error saving view: " + written.error().description);
        return;
    }
    prompt.Tell(name + " view has been saved.", PromptIcon::Information);
}

void ObjectBrowserHooks::LoadView()
{
    frmZVMain& window = *m_window;
    Prompt& prompt = window.UserPrompt();
    frmLoadView dialog(window.Folders().viewsFolder, prompt, window.ScreenSizePixels(), &window);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().file.empty()) return;

    // The whole file is read and checked against its model before the tree
    // changes; a bad one leaves the window as it was.
    auto view = browser::ReadViewFile(dialog.Chosen().file);
    if (!view) {
        prompt.Tell("Error loading view. " + view.error().description);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto loaded = m_browser->LoadView(*view);
    QApplication::restoreOverrideCursor();
    if (!loaded) {
        prompt.Tell("Error loading view. " + loaded.error().description);
        return;
    }
    if (*loaded != browser::TreeChange::Rebuilt) return;
    // The view may show another model: automatic help and its window end, as at any model change.
    HelpOffForNewModel();
    window.SetCurrentLibrary(m_browser->Current().library);
    window.setWindowTitle(
        QString::fromStdString(m_browser->WindowCaption(QApplication::applicationDisplayName().toStdString())));
    window.MenusEnabled(true);
    // The display opens exactly the nodes the view had open.
    ApplyChange(*loaded);
}

}  // namespace arbolith
