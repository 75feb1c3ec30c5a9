// SPDX-License-Identifier: MIT
#include "cli/cli_find.h"

#include "browser/finds.h"
#include "browser/object_browser.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"

#include <cstdio>
#include <string>
#include <vector>

namespace arbolith::cli {
namespace {

int Print(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        AppendPrintable(text, line);
        text += '\n';
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int FindCommand(const FindOptions& options)
{
    StderrPrompt prompt;
    const auto opened = OpenCliModel(options.model, options.modelsFolder, prompt);
    if (!opened) return 1;
    browser::ObjectBrowser& browser = *opened;
    const bool needsTree = options.kind == FindKind::Object || options.kind == FindKind::Paths;
    if (needsTree) {
        // Each step tells why it stopped.
        if (!browser.CreateModelNodes()) return 1;
        browser.DisplayTree();
    }

    browser::FindResults results;
    switch (options.kind) {
        case FindKind::Object: {
            const browser::TreeDisplay& tree = browser.Display();
            for (const std::int32_t node : browser::FindAllNodes(tree, options.text, options.wholeWord))
                results.lines.push_back(browser::NodePath(tree, node));
            if (results.lines.empty()) results.message = "No match to " + options.text;
            break;
        }
        case FindKind::Parents:
            results = browser::FindParents(browser.Current().datPath, options.text);
            break;
        case FindKind::Paths:
            results = browser::FindPaths(browser.Model(), browser.Nodes(), browser.Display(), options.text);
            break;
        case FindKind::Member:
            results = browser::FindObjectsWithMember(browser.Current().datPath, options.text, options.wholeWord);
            break;
    }
    if (results.lines.empty()) {
        Complain(results.message);
        return 1;
    }
    return Print(results.lines);
}

}  // namespace arbolith::cli
