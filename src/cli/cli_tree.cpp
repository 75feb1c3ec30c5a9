// SPDX-License-Identifier: MIT
#include "cli/cli_tree.h"

#include "browser/object_browser.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "platform/text_encoding.h"

#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace arbolith::cli {
namespace {

// How to make the missing model, in a form to paste.
std::string MakeHint(std::string_view library, const std::filesystem::path& modelsFolder)
{
    std::string hint = "arbolith-cli make " + std::string(library);
    if (!modelsFolder.empty()) hint += " --models " + modelsFolder.string();
    return hint;
}

// The nodes as the text lists them, each with the facts a script wants
// apart: the object's name and state, and the member that leads to it.
int WriteTreeJson(const browser::ObjectBrowser& browser, std::optional<int> depth)
{
    const browser::TreeDisplay& tree = browser.Display();
    const browser::ObjectModel& model = browser.Model();
    const std::span<const browser::NodeRecord> nodes = browser.Nodes();
    JsonWriter json = BeginJsonDocument("tree");
    json.Field("model", browser.Current().baseName);
    json.Field("modelName", browser.Current().modelName);
    json.Key("nodes").BeginArray();
    // Each node's position in the list, for its children's "parent".
    std::vector<std::int64_t> position(tree.NodeCount(), -1);
    std::int64_t next = 0;
    tree.WalkInOrder([&](std::int32_t node, std::int32_t level) {
        position[static_cast<std::size_t>(node)] = next++;
        json.BeginObject();
        json.Field("depth", level);
        json.Key("parent");
        if (const std::int32_t parent = tree.Parent(node); tree.IsNode(parent))
            json.Int(position[static_cast<std::size_t>(parent)]);
        else
            json.Null();
        json.Field("label", tree.Label(node));
        const browser::NodeRecord* record =
            static_cast<std::size_t>(node) < nodes.size() ? &nodes[static_cast<std::size_t>(node)] : nullptr;
        const browser::ObjectRecord* object =
            record && record->object >= 0 && static_cast<std::size_t>(record->object) < model.objects.size()
                ? &model.objects[static_cast<std::size_t>(record->object)]
                : nullptr;
        json.Key("object");
        if (object)
            json.String(object->name);
        else
            json.Null();
        json.Key("member");
        if (record && record->edge >= 0 && static_cast<std::size_t>(record->edge) < model.edges.size())
            json.String(model.edges[static_cast<std::size_t>(record->edge)].label);
        else
            json.Null();
        json.Field("hidden", object && AsciiLower(object->hiddenState) == "h");
        json.Field("external", object && object->isExternal);
        json.Field("custom", object && object->isCustom);
        json.Field("collection", object && object->isCollection);
        json.Field("children", tree.ChildCount(node));
        json.EndObject();
        // A tree of millions of nodes is written out as it goes.
        if (json.Text().size() > (1u << 20)) {
            const std::string piece = json.TakeWritten();
            std::fwrite(piece.data(), 1, piece.size(), stdout);
        }
        return !depth || level < *depth;
    });
    json.EndArray();
    return FinishJsonDocument(json);
}

}  // namespace

bool NamesLibraryFile(std::string_view name)
{
    if (name.find('/') != std::string_view::npos) return true;
    // "vbscript.dll\2": a resource of the file.
    if (const auto slash = name.rfind('\\'); slash != std::string_view::npos) {
        const std::string_view number = name.substr(slash + 1);
        if (!number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos)
            name = name.substr(0, slash);
    }
    const std::string lower = AsciiLower(name);
    constexpr std::array kExtensions{".tlb", ".olb", ".dll", ".exe", ".ocx"};
    for (const std::string_view extension : kExtensions)
        if (lower.size() > extension.size() && lower.ends_with(extension)) return true;
    return false;
}

std::unique_ptr<browser::ObjectBrowser> OpenCliModel(const std::string& model,
                                                     const std::filesystem::path& modelsOption, Prompt& prompt)
{
    const auto folders = PrepareCliFolders(modelsOption);
    if (!folders) return nullptr;
    const Settings settings = ReadCliSettings(*folders);

    auto browser = std::make_unique<browser::ObjectBrowser>(folders->modelsFolder, prompt);
    browser->defaultDepth = settings.defaultDepth;
    browser->switches = {settings.showMember, settings.showOrigin, settings.showChildCount, settings.showFlags};

    auto opened = browser->SetActiveModel(model);
    if (!opened) {
        Complain("the model " + model + " cannot be read: " + opened.error().description +
                 "; make it again with: " + MakeHint(NamesLibraryFile(model) ? model : "LIBRARY", modelsOption));
        return nullptr;
    }
    if (*opened == browser::ActiveModelResult::DatMissing) {
        if (NamesLibraryFile(model))
            Complain("no model of library " + model + " yet; make it with: " + MakeHint(model, modelsOption));
        else
            Complain("no model named " + model + " in " + folders->modelsFolder.string() +
                     "; make it from its library with: " + MakeHint("LIBRARY", modelsOption));
        return nullptr;
    }
    return browser;
}

int TreeCommand(const TreeOptions& options)
{
    StderrPrompt prompt;
    const auto opened = OpenCliModel(options.model, options.modelsFolder, prompt);
    if (!opened) return 1;
    browser::ObjectBrowser& browser = *opened;
    // Each step tells why it stopped.
    if (!browser.CreateModelNodes()) return 1;
    browser.DisplayTree();

    const browser::TreeDisplay& tree = browser.Display();
    const std::optional<int> depth = options.depth;
    if (options.json) return WriteTreeJson(browser, depth);
    std::string text;
    tree.WalkInOrder([&](std::int32_t node, std::int32_t level) {
        text.append(static_cast<std::size_t>(level) * 2, ' ');
        AppendPrintable(text, tree.Label(node));
        text += '\n';
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
        return !depth || level < *depth;
    });
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace arbolith::cli
