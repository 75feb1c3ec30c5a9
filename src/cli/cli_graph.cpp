// SPDX-License-Identifier: MIT
#include "cli/cli_graph.h"

#include "browser/image_codes.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"
#include "diagram/graphviz_layout.h"
#include "diagram/object_graph.h"
#include "diagram/svg_picture.h"
#include "platform/files.h"
#include "platform/json_writer.h"

#include <QGuiApplication>

#include <cstdio>

namespace arbolith::cli {

namespace {

// PNG pictures are drawn with Qt, which needs a GUI application; a command
// line tool must not need a display for it.
Result<std::string> PngOf(const std::string& svg)
{
    if (QGuiApplication::instance()) return diagram::SvgToPng(svg);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "arbolith-cli";
    char* argv[] = {name, nullptr};
    const QGuiApplication application(argc, argv);
    return diagram::SvgToPng(svg);
}

Result<std::string> Drawing(const browser::ObjectModel& model, const diagram::NeighbourhoodGraph& graph,
                            const std::string& format)
{
    std::string dot = diagram::WriteDot(model, graph);
    if (format == "dot") return dot;
    auto laidOut = diagram::LayOutDot(dot);
    if (!laidOut) return laidOut.error();
    if (format == "svg") return std::move(laidOut->svg);
    return PngOf(laidOut->svg);
}

std::string GraphJson(const std::string& modelKey, const browser::ObjectModel& model,
                      const diagram::NeighbourhoodGraph& graph, const std::filesystem::path& output,
                      const std::string& format)
{
    const auto name = [&](std::int32_t object) -> const std::string& {
        return model.objects[static_cast<std::size_t>(object)].name;
    };
    JsonWriter json;
    json.BeginObject()
        .Field("schema", "arbolith-cli/graph/1")
        .Field("model", modelKey)
        .Field("root", name(graph.root))
        .Field("wholeModel", graph.depth < 0);
    json.Key("depth");
    if (graph.depth < 0)
        json.Null();
    else
        json.Int(graph.depth);
    json.Field("capped", graph.capped).Key("reachable").UInt(graph.reachable).Field("note", diagram::CapNote(graph));
    json.Key("output");
    if (output.empty())
        json.Null();
    else
        json.BeginObject().Field("file", output.string()).Field("format", format).EndObject();
    json.Key("nodes").BeginArray();
    for (const auto& node : graph.nodes) {
        const browser::ObjectRecord& o = model.objects[static_cast<std::size_t>(node.object)];
        json.BeginObject()
            .Field("name", o.name)
            .Field("distance", node.distance)
            .Field("collection", o.isCollection)
            .Field("hidden", IsHiddenObjectState(o.hiddenState))
            .Field("external", o.isExternal)
            .EndObject();
    }
    json.EndArray().Key("edges").BeginArray();
    for (const auto& edge : graph.edges)
        json.BeginObject()
            .Field("from", name(graph.nodes[static_cast<std::size_t>(edge.from)].object))
            .Field("to", name(graph.nodes[static_cast<std::size_t>(edge.to)].object))
            .Field("label", edge.label)
            .EndObject();
    json.EndArray().EndObject();
    return json.Take();
}

}  // namespace

int GraphCommand(const GraphOptions& options)
{
    StderrPrompt prompt;
    const auto opened = OpenCliModel(options.model, options.modelsFolder, prompt);
    if (!opened) return 1;
    const browser::CurrentModel& current = opened->Current();

    // Only the graph is needed, not the tree unrolled from it.
    browser::ObjectModel model;
    if (auto read = model.FillObjectsArray(current.datPath); !read) {
        Complain("the model " + options.model + " cannot be read: " + read.error().description);
        return 1;
    }
    if (auto read = model.FillEdgesArray(current.datPath); !read) {
        Complain("the model " + options.model + " cannot be read: " + read.error().description);
        return 1;
    }

    const std::string rootName = options.root.empty() ? current.topObjectName : options.root;
    std::optional<std::int32_t> root = diagram::FindObjectByName(model, rootName);
    if (!root && options.root.empty()) root = model.PositionOfKey(current.topObjectKey);
    if (!root) {
        Complain("the model " + options.model + " has no object named " + Printable(rootName) +
                 " (see: arbolith-cli tree " + options.model + ")");
        return 1;
    }
    diagram::GraphRequest request;
    request.root = *root;
    request.depth = options.depth;
    request.wholeModel = options.all;
    request.showHidden = current.showHidden;
    request.showExternal = current.showExternal;
    auto graph = diagram::CollectNeighbourhood(model, request);
    if (!graph) {
        Complain(graph.error().description);
        return 1;
    }
    if (graph->capped) Complain(diagram::CapNote(*graph));

    if (!options.json || !options.output.empty()) {
        auto drawing = Drawing(model, *graph, options.format);
        if (!drawing) {
            Complain("the diagram could not be made: " + drawing.error().description);
            return 1;
        }
        if (!options.output.empty()) {
            if (auto written = WriteFileAtomically(options.output, *drawing); !written) {
                Complain("the diagram could not be written to " + options.output.string() + ": " +
                         written.error().description);
                return 1;
            }
        } else {
            std::fwrite(drawing->data(), 1, drawing->size(), stdout);
        }
    }
    if (options.json) {
        const std::string text = GraphJson(current.baseName, model, *graph, options.output, options.format);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace arbolith::cli
