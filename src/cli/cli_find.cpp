// SPDX-License-Identifier: MIT
#include "cli/cli_find.h"

#include "browser/finds.h"
#include "browser/object_browser.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
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

constexpr std::string_view KindName(FindKind kind)
{
    switch (kind) {
        case FindKind::Object:
            return "object";
        case FindKind::Parents:
            return "parents";
        case FindKind::Paths:
            return "paths";
        case FindKind::Member:
            return "member";
    }
    return "";
}

// The labels from the root down to the node.
void WritePath(JsonWriter& json, const browser::TreeDisplay& tree, std::int32_t node)
{
    std::vector<std::string_view> labels;
    for (std::int32_t at = node; tree.IsNode(at) && labels.size() <= tree.NodeCount(); at = tree.Parent(at))
        labels.push_back(tree.Label(at));
    json.BeginObject().Key("path").BeginArray();
    for (auto label = labels.rbegin(); label != labels.rend(); ++label) json.String(*label);
    json.EndArray().EndObject();
}

int PrintJson(const FindOptions& options, const browser::ObjectBrowser& browser, const browser::FindResults& results)
{
    JsonWriter json = BeginJsonDocument("find");
    json.Field("model", browser.Current().baseName);
    json.Field("search", KindName(options.kind));
    json.Field("text", options.text);
    json.Field("wholeWord", options.wholeWord);
    json.Key("results").BeginArray();
    switch (options.kind) {
        case FindKind::Object:
        case FindKind::Paths:
            for (const std::int32_t node : results.nodes) WritePath(json, browser.Display(), node);
            break;
        case FindKind::Parents:
            for (const auto& [parent, member] : results.parts)
                json.BeginObject().Field("parent", parent).Field("member", member).EndObject();
            break;
        case FindKind::Member:
            for (const auto& [object, member] : results.parts) {
                json.BeginObject().Field("object", object);
                if (!options.wholeWord) json.Field("member", member);
                json.EndObject();
            }
            break;
    }
    json.EndArray();
    return FinishJsonDocument(json, results.lines.empty() ? 1 : 0);
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
            results.nodes = browser::FindAllNodes(tree, options.text, options.wholeWord);
            for (const std::int32_t node : results.nodes) results.lines.push_back(browser::NodePath(tree, node));
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
    if (results.lines.empty()) Complain(results.message);
    if (options.json && !results.failed) return PrintJson(options, browser, results);
    if (results.lines.empty()) return 1;
    return Print(results.lines);
}

}  // namespace arbolith::cli
