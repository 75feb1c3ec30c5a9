// SPDX-License-Identifier: MIT
// `arbolith-cli find` on models made from real libraries, checked against a
// search of our own: over the tree `arbolith-cli tree` prints for the node
// searches, over the DAT file's rows for the parents and members; then the
// command's failures.
#include "cli/run_cli.h"
#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Quoted;
using Lines = std::vector<std::string>;
using test::SplitLines;

std::multiset<std::string> Lowered(const Lines& lines)
{
    std::multiset<std::string> lowered;
    for (const std::string& line : lines) lowered.insert(AsciiLower(line));
    return lowered;
}

// Each line of the printed tree as its label and its full path.
struct PrintedNode {
    std::string label;
    std::string path;
};
std::vector<PrintedNode> PrintedTree(const Lines& tree)
{
    std::vector<PrintedNode> nodes;
    std::vector<std::string> above;  // the path at each depth
    for (const std::string& line : tree) {
        const std::size_t depth = line.find_first_not_of(' ') / 2;
        above.resize(depth);
        const std::string label = line.substr(depth * 2);
        nodes.push_back({label, above.empty() ? label : above.back() + "\\" + label});
        above.push_back(nodes.back().path);
    }
    return nodes;
}

struct Library {
    const char* file;
    const char* top;
    const char* part;    // of a label
    const char* word;    // a whole label word
    const char* object;  // for paths and parents
    const char* member;  // part of a member name
    // Test listings name the library.
    friend void PrintTo(const Library& library, std::ostream* out) { *out << library.file; }
};

class CliFind : public ::testing::TestWithParam<Library> {};

TEST_P(CliFind, AgreesWithASearchOfTheTreeAndTheModelFile)
{
    const Library& lib = GetParam();
    if (const auto problem = test::CorpusFileProblem(lib.file)) GTEST_SKIP() << *problem;
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    const std::string key = fs::path(lib.file).stem().string();
    ASSERT_EQ(
        test::RunCli(home, "make " + Quoted((test::kWineLibraryDir / lib.file).string()) + " --top " + lib.top + models)
            .status,
        0);
    const auto find = [&](const std::string& args) {
        const test::CliRun ran = test::RunCli(home, "find " + key + " " + args + models);
        EXPECT_EQ(ran.status, 0) << args << ": " << ran.err;
        return SplitLines(ran.out);
    };
    const std::vector<PrintedNode> tree = PrintedTree(SplitLines(test::RunCli(home, "tree " + key + models).out));
    ASSERT_FALSE(tree.empty());

    // Labels that contain the part; whole words: the label is the word, or
    // the word and a blank begin it, or it holds the word in braces.
    const std::string part = AsciiLower(lib.part), word = AsciiLower(lib.word);
    std::multiset<std::string> withPart, withWord, toObject;
    for (const PrintedNode& node : tree) {
        const std::string label = AsciiLower(node.label);
        if (label.find(part) != std::string::npos) withPart.insert(AsciiLower(node.path));
        if (label == word || label.starts_with(word + " ") || label.find("{" + word + "}") != std::string::npos)
            withWord.insert(AsciiLower(node.path));
        if (label.substr(0, label.find(" {")) == AsciiLower(lib.object)) toObject.insert(AsciiLower(node.path));
    }
    EXPECT_FALSE(withWord.empty());
    EXPECT_EQ(Lowered(find("--object " + Quoted(lib.part))), withPart);
    EXPECT_EQ(Lowered(find("--object " + Quoted(lib.word) + " --whole-word")), withWord);
    EXPECT_EQ(Lowered(find("--paths " + Quoted(AsciiUpper(lib.object)))), toObject);

    // Parents and members from the rows themselves.
    auto db = OpenDatFile(home / "Models" / (key + ".DAT"), true);
    ASSERT_TRUE(db.ok());
    std::multiset<std::string> parents;
    auto edges = db->Prepare("SELECT ParentObjectName, ChildObjectName, Label FROM Edges");
    while (edges->Step().value())
        if (EqualsNoCase(edges->Text(1), lib.object))
            parents.insert(AsciiLower(edges->Text(0) + "   " + edges->Text(2)));
    std::set<std::string> members, objects;
    auto functions = db->Prepare("SELECT ObjectName, Name FROM Functions");
    while (functions->Step().value()) {
        const std::string object = AsciiLower(functions->Text(0)), name = AsciiLower(functions->Text(1));
        if (name.find(AsciiLower(lib.member)) != std::string::npos) members.insert(object + "  [member: " + name + "]");
        if (name == AsciiLower(lib.member)) objects.insert(object);
    }
    const auto byObject = [](const Lines& lines) {
        return std::is_sorted(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
            return CompareNoCase(a.substr(0, a.find(' ')), b.substr(0, b.find(' '))) < 0;
        });
    };
    const Lines parentLines = find("--parents " + Quoted(lib.object));
    EXPECT_EQ(Lowered(parentLines), parents);
    EXPECT_TRUE(byObject(parentLines));
    const Lines memberLines = find("--member " + Quoted(lib.member));
    EXPECT_EQ(Lowered(memberLines), std::multiset<std::string>(members.begin(), members.end()));
    EXPECT_TRUE(byObject(memberLines));
    if (!objects.empty()) {
        EXPECT_EQ(Lowered(find("--member " + Quoted(lib.member) + " --whole-word")),
                  std::multiset<std::string>(objects.begin(), objects.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, CliFind,
    ::testing::Values(Library{"scrrun.dll", "FileSystemObject", "fold", "folder", "Folder", "name"},
                      Library{"msxml6.dll", "DOMDocument60", "node", "IXMLDOMNode", "IXMLDOMNode", "node"},
                      Library{"mshtml.tlb", "HTMLDocument", "element", "IHTMLElement", "IHTMLElement", "item"}),
    [](const auto& info) { return fs::path(info.param.file).stem().string(); });

TEST(CliFindFailures, UsageErrorsAndEmptyResults)
{
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    ASSERT_EQ(test::RunCli(home, "make " + Quoted(std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb") +
                                     " --top Application" + models)
                  .status,
              0);
    struct Case {
        const char* args;
        int status;
        const char* message;  // its start, after "arbolith-cli: "
    };
    const Case cases[] = {
        {"", 2, "give one search"},
        {"--object a --member b", 2, "give one search"},
        {"--parents Item --whole-word", 2, "--whole-word goes with"},
        {"--object ''", 2, "the name to find is empty"},
        {"--object 'doc' --whole-word", 1, "No match to doc"},
        {"--parents \"x' OR '1'='1\"", 1, "Object x' OR '1'='1 has no parents."},
        {"--paths Nobody", 1, "No paths for Nobody"},
        {"--member '%'", 1, "No objects have member %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const test::CliRun ran = test::RunCli(home, std::string("find Quill ") + c.args + models);
        EXPECT_EQ(ran.status, c.status);
        EXPECT_TRUE(ran.out.empty()) << ran.out;
        ASSERT_EQ(ran.Messages().size(), 1u) << ran.err;
        EXPECT_TRUE(ran.Messages()[0].starts_with("arbolith-cli: " + std::string(c.message))) << ran.err;
    }
}

}  // namespace
}  // namespace arbolith
