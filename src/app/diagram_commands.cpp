// SPDX-License-Identifier: MIT
// View > Diagram: the diagram window for the object selected in the tree.
// A click on a box of the diagram selects that object's first node in the
// tree, as long as the model it was drawn from is still the one open.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "diagram/diagram_window.h"

#include <QTreeView>

namespace arbolith {

void ObjectBrowserHooks::ShowDiagram(frmZVMain& window)
{
    const browser::ObjectBrowser& b = *m_browser;
    Prompt& prompt = window.UserPrompt();
    if (!b.Current().IsOpen() || b.Nodes().empty()) {
        prompt.Tell("Please choose a library first.", PromptIcon::Information);
        return;
    }
    std::int32_t node = browser::ObjectTreeModel::NodeOf(window.trvObjects()->currentIndex());
    if (node < 0 || static_cast<std::size_t>(node) >= b.Nodes().size()) node = 0;
    const std::int32_t object = b.Nodes()[static_cast<std::size_t>(node)].object;
    if (object < 0) {
        prompt.Tell("Select an object in the tree first.", PromptIcon::Information);
        return;
    }

    diagram::frmDiagram::Source source;
    source.model = std::make_shared<const browser::ObjectModel>(b.Model());
    source.modelName = b.Current().modelName.empty() ? b.Current().baseName : b.Current().modelName;
    source.root = object;
    source.showHidden = b.Current().showHidden;
    source.showExternal = b.Current().showExternal;
    auto* diagram = new diagram::frmDiagram(std::move(source), prompt, &window);
    diagram->setAttribute(Qt::WA_DeleteOnClose);

    const std::filesystem::path datPath = b.Current().datPath;
    diagram->selectObject = [this, &window, datPath](std::int32_t clicked) -> std::string {
        const browser::ObjectBrowser& now = *m_browser;
        if (!now.Current().IsOpen() || now.Current().datPath != datPath ||
            static_cast<std::size_t>(clicked) >= now.Model().objects.size())
            return "This diagram's model is no longer the one open; its objects cannot be selected in the tree.";
        const auto nodes = now.Nodes();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].object != clicked) continue;
            SelectFoundNode(window, static_cast<std::int32_t>(i));
            return {};
        }
        return now.Model().objects[static_cast<std::size_t>(clicked)].name +
               " is not in the tree as it is built now (see Tree > Show Hidden Objects and the branch counts).";
    };
    diagram->show();
}

}  // namespace arbolith
