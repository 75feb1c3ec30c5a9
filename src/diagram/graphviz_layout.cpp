// SPDX-License-Identifier: MIT
#include "diagram/graphviz_layout.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>
#include <graphviz/gvplugin.h>
#include <graphviz/types.h>

#include <dlfcn.h>

#include <charconv>
#include <mutex>

namespace arbolith::diagram {

namespace {

std::mutex g_graphviz;         // guards every call into Graphviz
std::string g_graphvizErrors;  // what Graphviz reported during the current call

int CollectGraphvizError(char* text)
{
    if (text) g_graphvizErrors += text;
    return 0;
}

struct Plugin {
    const char* file;
    const char* symbol;
};
constexpr Plugin kPlugins[] = {
    {"libgvplugin_dot_layout.so.6", "gvplugin_dot_layout_LTX_library"},
    {"libgvplugin_core.so.6", "gvplugin_core_LTX_library"},
};

// The context, made once with only the plugins named above. Loaded through
// dlopen, as a fresh install may not yet have the configuration file that
// Graphviz's own plugin discovery reads. Null (with the reason) when a
// plugin cannot be loaded.
GVC_t* Context(std::string& problem)
{
    static std::string failure;
    static GVC_t* const context = []() -> GVC_t* {
        static const lt_symlist_t kNoBuiltins[] = {{nullptr, nullptr}};
        GVC_t* gvc = gvContextPlugins(kNoBuiltins, 0);
        if (!gvc) {
            failure = "Graphviz could not start";
            return nullptr;
        }
        for (const Plugin& p : kPlugins) {
            const std::string path = std::string(ARBOLITH_GRAPHVIZ_PLUGIN_DIR) + "/" + p.file;
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) handle = dlopen(p.file, RTLD_NOW | RTLD_LOCAL);
            auto* library = handle ? static_cast<gvplugin_library_t*>(dlsym(handle, p.symbol)) : nullptr;
            if (!library) {
                failure = std::string("the Graphviz plugin ") + p.file + " is missing (looked in " +
                          ARBOLITH_GRAPHVIZ_PLUGIN_DIR + "); install the package libgvc6";
                return nullptr;
            }
            gvAddLibrary(gvc, library);
        }
        return gvc;
    }();
    problem = failure;
    return context;
}

std::string TrimmedErrors()
{
    std::string text = g_graphvizErrors;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text.empty() ? std::string("no reason given") : text;
}

std::int32_t ObjectOfName(const char* name)
{
    if (!name || name[0] != 'o') return -1;
    const std::string_view digits(name + 1);
    std::int32_t value = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() && value >= 0 ? value : -1;
}

}  // namespace

Result<LaidOutDiagram> LayOutDot(std::string_view dot)
{
    const std::lock_guard lock(g_graphviz);
    std::string problem;
    GVC_t* gvc = Context(problem);
    if (!gvc) return Error::Model(problem);

    g_graphvizErrors.clear();
    const agusererrf previousHook = agseterrf(CollectGraphvizError);
    struct RestoreHook {
        agusererrf hook;
        ~RestoreHook() { agseterrf(hook); }
    } restore{previousHook};

    const std::string text(dot);  // agmemread wants a terminated string
    Agraph_t* g = agmemread(text.c_str());
    if (!g) return Error::Model("Graphviz could not read the diagram: " + TrimmedErrors());
    struct CloseGraph {
        GVC_t* gvc;
        Agraph_t* g;
        bool laidOut = false;
        ~CloseGraph()
        {
            if (laidOut) gvFreeLayout(gvc, g);
            agclose(g);
        }
    } close{gvc, g};

    if (gvLayout(gvc, g, "dot") != 0) return Error::Model("Graphviz could not lay out the diagram: " + TrimmedErrors());
    close.laidOut = true;

    char* data = nullptr;
    unsigned int length = 0;
    if (gvRenderData(gvc, g, "svg", &data, &length) != 0 || !data) {
        if (data) gvFreeRenderData(data);
        return Error::Model("Graphviz could not draw the diagram: " + TrimmedErrors());
    }
    LaidOutDiagram out;
    out.svg.assign(data, length);
    gvFreeRenderData(data);

    // The SVG renderer draws graph point (x, y) at (x - llx + pad, ury - y +
    // pad): y turned downwards, the bounding box moved to the margin.
    const boxf bb = GD_bb(g);
    constexpr double kPad = 4;  // Graphviz's default margin around a drawing, in points
    out.width = bb.UR.x - bb.LL.x + 2 * kPad;
    out.height = bb.UR.y - bb.LL.y + 2 * kPad;
    for (Agnode_t* n = agfstnode(g); n; n = agnxtnode(g, n)) {
        const double w = ND_width(n) * 72, h = ND_height(n) * 72;  // inches to points
        const pointf c = ND_coord(n);
        out.boxes.push_back(
            {ObjectOfName(agnameof(n)), c.x - bb.LL.x + kPad - w / 2, bb.UR.y - c.y + kPad - h / 2, w, h});
    }
    return out;
}

std::int32_t ObjectAt(const std::vector<NodeBox>& boxes, double x, double y)
{
    for (const NodeBox& box : boxes)
        if (box.Contains(x, y)) return box.object;
    return -1;
}

}  // namespace arbolith::diagram
