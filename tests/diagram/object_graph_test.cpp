// SPDX-License-Identifier: MIT
// The neighbourhood walk, the DOT text and Graphviz's layout on small
// models built by hand.
#include "diagram/object_graph.h"
#include "diagram/graphviz_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <thread>

namespace arbolith::diagram {
namespace {

using browser::ObjectModel;

browser::ObjectRecord Object(std::int64_t key, std::string name)
{
    browser::ObjectRecord o;
    o.key = key;
    o.name = std::move(name);
    return o;
}

// Objects named by the letters given; edges "AB" lead from A to B, labelled
// with the child's name.
ObjectModel MakeModel(const std::string& names, const std::vector<std::string>& edges)
{
    ObjectModel m;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto& o = m.objects.emplace_back();
        o.key = static_cast<std::int64_t>(i);
        o.name = std::string(1, names[i]);
    }
    for (const std::string& e : edges)
        m.edges.push_back({static_cast<std::int32_t>(names.find(e[0])), static_cast<std::int32_t>(names.find(e[1])),
                           "(< P:" + std::string(1, e[1]) + ")"});
    m.Reindex();
    return m;
}

std::set<std::string> NamesOf(const ObjectModel& m, const NeighbourhoodGraph& g)
{
    std::set<std::string> names;
    for (const auto& n : g.nodes) names.insert(m.objects[static_cast<std::size_t>(n.object)].name);
    return names;
}

std::set<std::string> EdgesOf(const ObjectModel& m, const NeighbourhoodGraph& g)
{
    std::set<std::string> edges;
    for (const auto& e : g.edges)
        edges.insert(m.objects[static_cast<std::size_t>(g.nodes[static_cast<std::size_t>(e.from)].object)].name +
                     m.objects[static_cast<std::size_t>(g.nodes[static_cast<std::size_t>(e.to)].object)].name);
    return edges;
}

// P -> R -> C -> G, R -> D, P -> S (a sibling of R), Q -> P (a grandparent),
// C -> R (a cycle back), H hidden below R, X external below R.
ObjectModel Family()
{
    ObjectModel m = MakeModel("PRCGDSQHXU", {"PR", "RC", "CG", "RD", "PS", "QP", "CR", "RH", "RX", "RC"});
    m.objects[7].hiddenState = "H";
    m.objects[8].isExternal = true;
    return m;
}

TEST(Neighbourhood, TakesParentsAndChildrenToTheDepthButNoSiblings)
{
    const ObjectModel m = Family();
    struct Case {
        int depth;
        bool hidden, external;
        std::set<std::string> names, edges;
    };
    const Case cases[] = {
        {0, true, true, {"R"}, {}},
        {1, true, true, {"P", "R", "C", "D", "H", "X"}, {"PR", "RC", "CR", "RD", "RH", "RX"}},
        {2, true, true, {"Q", "P", "R", "C", "G", "D", "H", "X"}, {"QP", "PR", "RC", "CR", "CG", "RD", "RH", "RX"}},
        {2, false, false, {"Q", "P", "R", "C", "G", "D"}, {"QP", "PR", "RC", "CR", "CG", "RD"}},
        // Far more levels than the graph has: the same as its real depth.
        {1000, true, true, {"Q", "P", "R", "C", "G", "D", "H", "X"}, {"QP", "PR", "RC", "CR", "CG", "RD", "RH", "RX"}},
    };
    for (const Case& c : cases) {
        GraphRequest request{.root = 1, .depth = c.depth, .showHidden = c.hidden, .showExternal = c.external};
        const auto g = CollectNeighbourhood(m, request);
        ASSERT_TRUE(g) << g.error().description;
        EXPECT_EQ(NamesOf(m, *g), c.names) << "depth " << c.depth;
        EXPECT_EQ(EdgesOf(m, *g), c.edges) << "depth " << c.depth;
        // The repeated edge R -> C is drawn once; the root comes first.
        EXPECT_EQ(g->edges.size(), c.edges.size());
        EXPECT_EQ(g->nodes.front().object, 1);
        EXPECT_FALSE(g->capped);
    }
}

TEST(Neighbourhood, BadRequestsAreRefusedAndUnlinkedEdgesIgnored)
{
    ObjectModel m = MakeModel("AB", {"AB"});
    m.edges.push_back({0, -1, "nowhere"});
    m.edges.push_back({-1, 1, "from nowhere"});
    m.Reindex();
    EXPECT_FALSE(CollectNeighbourhood(m, {.root = 2}));
    EXPECT_FALSE(CollectNeighbourhood(m, {.root = -1}));
    EXPECT_FALSE(CollectNeighbourhood(m, {.root = 0, .depth = -1}));
    const auto g = CollectNeighbourhood(m, {.root = 0, .depth = 5});
    ASSERT_TRUE(g);
    EXPECT_EQ(EdgesOf(m, *g), (std::set<std::string>{"AB"}));
    EXPECT_EQ(FindObjectByName(m, "b"), 1);
    EXPECT_EQ(FindObjectByName(m, "Z"), std::nullopt);
}

TEST(Neighbourhood, ADenseCyclicGraphAtDepthThousandVisitsEachObjectOnce)
{
    // 1,000 objects, each leading to the next 20 (wrapping round): every
    // object is reachable both ways through more paths than any walk that
    // revisits objects could finish.
    ObjectModel m;
    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i) m.objects.push_back(Object(i, "O" + std::to_string(i)));
    for (int i = 0; i < kCount; ++i)
        for (int j = 1; j <= 20; ++j) m.edges.push_back({i, (i + j) % kCount, "e"});
    m.Reindex();
    const auto g = CollectNeighbourhood(m, {.root = 0, .depth = 1000, .maxNodes = 0});
    ASSERT_TRUE(g);
    EXPECT_EQ(g->nodes.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(g->edges.size(), static_cast<std::size_t>(kCount) * 20);
}

TEST(Neighbourhood, ALargeGraphKeepsTheNearestObjectsAndSaysSo)
{
    // A star of 400 children, each with one child of its own.
    ObjectModel m;
    m.objects.push_back(Object(0, "Hub"));
    for (int i = 1; i <= 800; ++i) m.objects.push_back(Object(i, "O" + std::to_string(i)));
    for (int i = 1; i <= 400; ++i) {
        m.edges.push_back({0, i, "child"});
        m.edges.push_back({i, i + 400, "grandchild"});
    }
    m.Reindex();
    const auto g = CollectNeighbourhood(m, {.root = 0, .depth = 2, .maxNodes = 150});
    ASSERT_TRUE(g);
    EXPECT_TRUE(g->capped);
    EXPECT_EQ(g->nodes.size(), 150u);
    EXPECT_EQ(g->reachable, 801u);
    EXPECT_TRUE(std::all_of(g->nodes.begin(), g->nodes.end(), [](const GraphNode& n) { return n.distance <= 1; }));
    for (const auto& e : g->edges) EXPECT_LT(static_cast<std::size_t>(e.to), g->nodes.size());
    EXPECT_EQ(CapNote(*g),
              "Showing the nearest 150 objects of 801 within 2 levels; lower the depth or choose "
              "another object to see the rest.");
    EXPECT_NE(WriteDot(m, *g).find(CapNote(*g)), std::string::npos);

    // The whole model: the unconnected objects come last, at distance -1.
    ObjectModel loose = MakeModel("ABC", {"AB"});
    const auto whole = CollectNeighbourhood(loose, {.root = 0, .depth = 0, .wholeModel = true});
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->nodes.size(), 3u);
    EXPECT_EQ(whole->nodes[2].distance, -1);
    EXPECT_EQ(EdgesOf(loose, *whole), (std::set<std::string>{"AB"}));
}

TEST(Dot, NamesAreEscapedAndTheTextDoesNotDependOnEdgeOrder)
{
    ObjectModel m = MakeModel("ABC", {"AB", "AC", "BC"});
    m.objects[1].name = "Say \"hi\"\\n\nnow";
    m.objects[2].name = std::string("Caf\xe9", 4);  // Windows-1252, not UTF-8
    m.objects[2].isCollection = true;
    m.objects[2].memberName = "Item";
    m.Reindex();
    const auto g = CollectNeighbourhood(m, {.root = 0, .depth = 2});
    ASSERT_TRUE(g);
    const std::string dot = WriteDot(m, *g);
    EXPECT_NE(dot.find(R"(label="Say \"hi\"\\n now")"), std::string::npos) << dot;
    EXPECT_NE(dot.find("label=\"Caf\xc3\xa9\\n{Item}\""), std::string::npos) << dot;

    ObjectModel reversed = m;
    std::reverse(reversed.edges.begin(), reversed.edges.end());
    reversed.Reindex();
    const auto g2 = CollectNeighbourhood(reversed, {.root = 0, .depth = 2});
    ASSERT_TRUE(g2);
    EXPECT_EQ(WriteDot(reversed, *g2), dot);

    // Graphviz reads it back with the names intact.
    const auto laidOut = LayOutDot(dot);
    ASSERT_TRUE(laidOut) << laidOut.error().description;
    EXPECT_NE(laidOut->svg.find("Say &quot;hi&quot;\\n now"), std::string::npos);
}

TEST(Layout, BoxesLieWhereTheSvgDrawsEachNode)
{
    const ObjectModel m = Family();
    const auto g = CollectNeighbourhood(m, {.root = 1, .depth = 2});
    ASSERT_TRUE(g);
    const auto d = LayOutDot(WriteDot(m, *g));
    ASSERT_TRUE(d) << d.error().description;
    ASSERT_EQ(d->boxes.size(), g->nodes.size());
    EXPECT_GT(d->width, 0);
    EXPECT_GT(d->height, 0);
    // Graphviz draws each node's label centred in its shape, in the
    // coordinates of its top group, which is shifted by translate(tx ty).
    std::smatch shift;
    ASSERT_TRUE(std::regex_search(d->svg, shift, std::regex(R"(translate\(([-0-9.]+) ([-0-9.]+)\))")));
    const double tx = std::stod(shift[1]), ty = std::stod(shift[2]);
    for (const NodeBox& box : d->boxes) {
        std::smatch text;
        const std::regex label("<g id=\"o" + std::to_string(box.object) +
                               "\" class=\"node\">[\\s\\S]*?<text[^>]* x=\"([-0-9.]+)\" y=\"([-0-9.]+)\"");
        ASSERT_TRUE(std::regex_search(d->svg, text, label)) << box.object;
        const double x = std::stod(text[1]) + tx, y = std::stod(text[2]) + ty;
        EXPECT_EQ(ObjectAt(d->boxes, x, y), box.object) << "label of o" << box.object << " at " << x << "," << y;
    }
    EXPECT_EQ(ObjectAt(d->boxes, -10, -10), -1);
}

TEST(Layout, BadTextFailsWithGraphvizsReasonAndLayoutsMayRunOnManyThreads)
{
    const auto bad = LayOutDot("digraph { a -> ");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().description.find("could not read"), std::string::npos);
    EXPECT_FALSE(LayOutDot(""));

    const ObjectModel m = Family();
    const std::string dot = WriteDot(m, *CollectNeighbourhood(m, {.root = 1, .depth = 3}));
    const std::string expected = LayOutDot(dot)->svg;
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&r, &dot] {
            for (int i = 0; i < 5; ++i)
                if (auto d = LayOutDot(dot)) r = d->svg;
        });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, expected);
}

}  // namespace
}  // namespace arbolith::diagram
