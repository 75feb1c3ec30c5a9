// SPDX-License-Identifier: MIT
// The Find menu of the main window: Find Object in Tree and Find Again
// select the node found in trvObjects; Find Parents, Find Paths to Object
// and Find Objects with Member list what they found in a modal report
// window. The searches themselves are browser::Find* (browser/finds.h).
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "reports/report_window.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include <optional>

namespace arbolith {

void ObjectBrowserHooks::RunFind(frmZVMain& window, Command command)
{
    const browser::ObjectBrowser& b = *m_browser;
    const browser::CurrentModel& current = b.Current();
    Prompt& prompt = window.UserPrompt();
    // The DAT file of an earlier, closed or failed, opening is not the
    // current model's: without an open model the searches have no file.
    const std::filesystem::path datFile = current.IsOpen() ? current.datPath : std::filesystem::path();

    std::optional<browser::FindResults> results;
    switch (command) {
        case Command::FindFirst:
        case Command::FindAgain: {
            const auto mode = command == Command::FindFirst ? browser::FindMode::First : browser::FindMode::Again;
            if (const auto node = browser::FindNode(m_find, mode, current.IsOpen(), m_tree.Display(), prompt))
                SelectFoundNode(window, *node);
            return;
        }
        case Command::FindParents:
            results = browser::AskFindParents(datFile, prompt);
            break;
        case Command::FindPaths:
            results = browser::AskFindPaths(b.Model(), b.Nodes(), b.Display(), prompt);
            break;
        case Command::FindObjectsWithMember:
            results = browser::AskFindObjectsWithMember(datFile, prompt);
            break;
        default:
            return;
    }
    if (!results) return;
    frmReport report(prompt, &window);
    report.SetLines(results->caption, results->lines);
    report.exec();
}

void ObjectBrowserHooks::SelectFoundNode(frmZVMain& window, std::int32_t node)
{
    QTreeView& view = *window.trvObjects();
    const QModelIndex index = m_tree.IndexOfNode(node);
    if (!index.isValid()) return;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) view.expand(above);
    if (view.currentIndex() == index) {
        // Already current: show its members and status again, as a click does.
        window.trvProps()->selectionModel()->clear();
        window.trvMethods()->selectionModel()->clear();
        ObjectNodeClicked(node);
    } else {
        view.setCurrentIndex(index);  // runs the node click
    }
    view.scrollTo(index);  // with AutoHelp on, the node click has shown its help
}

}  // namespace arbolith
