// SPDX-License-Identifier: MIT
#include "browser/finds.h"

#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <algorithm>
#include <cerrno>

namespace arbolith::browser {
namespace {

constexpr std::string_view kWholeWordMark = "/w";

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetter(char a, char b)
{
    return FoldAscii(a) == FoldAscii(b);
}

bool ContainsNoCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(), SameLetter) != text.end();
}

bool StartsWithNoCase(std::string_view text, std::string_view start)
{
    return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}

// A LIKE pattern (with ESCAPE '\') that finds the text anywhere in a value,
// every character of it taken literally.
std::string ContainsPattern(std::string_view text)
{
    std::string pattern = "%";
    for (const char c : text) {
        if (c == '\\' || c == '%' || c == '_') pattern += '\\';
        pattern += c;
    }
    return pattern + '%';
}

Result<Database> OpenForFind(const std::filesystem::path& datFile)
{
    // An empty path names no file; refused before the engine could read it
    // as anything.
    if (datFile.empty()) return Error::FileSystem(ENOENT, "no model is open: there is no DAT file to read");
    return OpenDatFile(datFile, true);
}

// Runs a query with one bound text and adds a line per row.
template <class MakeLine>
Result<void> ReadLines(const std::filesystem::path& datFile, std::string_view sql, const std::string& value,
                       MakeLine makeLine, std::vector<std::string>& lines)
{
    auto db = OpenForFind(datFile);
    if (!db) return db.error();
    auto stmt = db->Prepare(sql);
    if (!stmt) return stmt.error();
    if (auto bound = stmt->Bind(1, value); !bound) return bound.error();
    for (;;) {
        auto row = stmt->Step();
        if (!row) return row.error();
        if (!*row) return {};
        lines.push_back(makeLine(*stmt));
    }
}

FindResults Failed(std::string_view prefix, const Error& error)
{
    FindResults results;
    results.failed = true;
    results.message = std::string(prefix) + error.description;
    return results;
}

std::optional<FindResults> ShowOrTell(FindResults results, Prompt& prompt)
{
    if (!results.lines.empty()) return results;
    prompt.Tell(results.message, results.icon);
    return std::nullopt;
}

std::optional<std::string> AskText(std::string_view question, std::string_view title, Prompt& prompt)
{
    auto answer = prompt.Input(std::string(question), std::string(title), "");
    if (!answer || answer->empty()) return std::nullopt;
    return answer;
}

}  // namespace

FindText ParseFindText(std::string_view answer)
{
    if (answer.size() >= kWholeWordMark.size() &&
        EqualsNoCase(answer.substr(answer.size() - kWholeWordMark.size()), kWholeWordMark))
        return {std::string(answer.substr(0, answer.size() - kWholeWordMark.size())), true};
    return {std::string(answer), false};
}

std::string ProposedFindAnswer(const FindState& state)
{
    return state.wholeWord ? state.text + std::string(kWholeWordMark) : state.text;
}

bool LabelMatches(std::string_view label, std::string_view text, bool wholeWord)
{
    if (!ContainsNoCase(label, text)) return false;
    if (!wholeWord) return true;
    if (label.size() == text.size()) return true;  // it contains the text, so it is the text
    if (StartsWithNoCase(label, text) && label[text.size()] == ' ') return true;
    return ContainsNoCase(label, "{" + std::string(text) + "}");
}

std::optional<std::int32_t> FindNextNode(const TreeDisplay& tree, std::string_view text, bool wholeWord,
                                         std::int32_t afterPosition)
{
    const auto count = static_cast<std::int32_t>(tree.NodeCount());
    for (std::int32_t node = std::max(afterPosition, 0); node < count; ++node)
        if (LabelMatches(tree.Label(node), text, wholeWord)) return node;
    return std::nullopt;
}

std::vector<std::int32_t> FindAllNodes(const TreeDisplay& tree, std::string_view text, bool wholeWord)
{
    std::vector<std::int32_t> found;
    const auto count = static_cast<std::int32_t>(tree.NodeCount());
    for (std::int32_t node = 0; node < count; ++node)
        if (LabelMatches(tree.Label(node), text, wholeWord)) found.push_back(node);
    return found;
}

std::string NodePath(const TreeDisplay& tree, std::int32_t node)
{
    std::vector<std::int32_t> chain;
    // A parent always comes before its child; the bound keeps a damaged
    // display from looping.
    for (std::int32_t at = node; tree.IsNode(at) && chain.size() <= tree.NodeCount(); at = tree.Parent(at))
        chain.push_back(at);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) path += '\\';
        path += tree.Label(*it);
    }
    return path;
}

std::optional<std::int32_t> FindNode(FindState& state, FindMode mode, bool modelOpen, const TreeDisplay& tree,
                                     Prompt& prompt)
{
    if (!modelOpen) {
        prompt.Tell(std::string(kChooseLibraryFirst), PromptIcon::Information);
        return std::nullopt;
    }
    if (mode == FindMode::First) {
        const auto answer =
            prompt.Input(std::string(kFindNodeQuestion), std::string(kFindNodeTitle), ProposedFindAnswer(state));
        if (!answer) return std::nullopt;
        FindText parsed = ParseFindText(*answer);
        // Nothing to search for: the last search is kept for Find Again.
        if (parsed.text.empty()) return std::nullopt;
        state = {std::move(parsed.text), parsed.wholeWord, 0};
    }
    if (state.text.empty()) return std::nullopt;
    const auto node = FindNextNode(tree, state.text, state.wholeWord, state.lastPosition);
    if (!node) {
        prompt.Tell((mode == FindMode::First ? "No match to " : "No more matches to ") + state.text);
        return std::nullopt;
    }
    state.lastPosition = *node + 1;
    return node;
}

FindResults FindParents(const std::filesystem::path& datFile, std::string_view name)
{
    // Ties keep the table's order, so the list is the same every time.
    constexpr std::string_view kSql =
        "SELECT ParentObjectName, Label FROM Edges WHERE ChildObjectName = ? COLLATE NOCASE "
        "ORDER BY ParentObjectName COLLATE NOCASE, rowid";
    FindResults results;
    const auto read = ReadLines(
        datFile, kSql, std::string(name),
        [&results](Statement& row) {
            results.parts.emplace_back(row.Text(0), row.Text(1));
            return row.Text(0) + "   " + row.Text(1);
        },
        results.lines);
    if (!read) return Failed("Error finding parents. ", read.error());
    if (results.lines.empty()) {
        results.message = "Object " + std::string(name) + " has no parents.";
        results.icon = PromptIcon::Information;
    } else {
        results.caption = std::to_string(results.lines.size()) + " parents of " + AsciiUpper(name) + " object";
    }
    return results;
}

FindResults FindPaths(const ObjectModel& model, std::span<const NodeRecord> nodes, const TreeDisplay& tree,
                      std::string_view name)
{
    // Names are compared once per object, then nodes by object position.
    std::vector<char> named(model.objects.size(), 0);
    for (std::size_t i = 0; i < model.objects.size(); ++i) named[i] = EqualsNoCase(model.objects[i].name, name);

    FindResults results;
    const std::size_t count = std::min(nodes.size(), tree.NodeCount());
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t object = nodes[i].object;
        if (object >= 0 && static_cast<std::size_t>(object) < named.size() && named[static_cast<std::size_t>(object)]) {
            results.lines.push_back(NodePath(tree, static_cast<std::int32_t>(i)));
            results.nodes.push_back(static_cast<std::int32_t>(i));
        }
    }
    if (results.lines.empty()) {
        results.message = "No paths for " + std::string(name);
        results.icon = PromptIcon::Information;
    } else {
        results.caption = std::to_string(results.lines.size()) + " paths to " + AsciiUpper(name) + " object";
    }
    return results;
}

FindResults FindObjectsWithMember(const std::filesystem::path& datFile, std::string_view text, bool wholeWord)
{
    // The columns compare without regard to case; the queries say so too,
    // so a file whose columns lack the collation reads alike.
    constexpr std::string_view kWholeSql =
        "SELECT DISTINCT ObjectName COLLATE NOCASE FROM Functions WHERE Name = ? COLLATE NOCASE ORDER BY 1";
    constexpr std::string_view kPartSql =
        "SELECT DISTINCT ObjectName COLLATE NOCASE, Name COLLATE NOCASE FROM Functions "
        "WHERE Name LIKE ? ESCAPE '\\' ORDER BY 1, 2";
    FindResults results;
    const auto read = wholeWord ? ReadLines(
                                      datFile, kWholeSql, std::string(text),
                                      [&results](Statement& row) {
                                          results.parts.emplace_back(row.Text(0), std::string());
                                          return row.Text(0);
                                      },
                                      results.lines)
                                : ReadLines(
                                      datFile, kPartSql, ContainsPattern(text),
                                      [&results](Statement& row) {
                                          results.parts.emplace_back(row.Text(0), row.Text(1));
                                          return row.Text(0) + "  [Member: " + row.Text(1) + "]";
                                      },
                                      results.lines);
    if (!read) return Failed("Error A16: ", read.error());
    if (results.lines.empty()) {
        results.message = "No objects have member " + std::string(text);
        results.icon = PromptIcon::Information;
    } else {
        results.caption = std::to_string(results.lines.size()) +
                          (wholeWord ? " objects with member " : " objects with member substring ") + AsciiUpper(text);
    }
    return results;
}

std::optional<FindResults> AskFindParents(const std::filesystem::path& datFile, Prompt& prompt)
{
    const auto name = AskText(kFindParentsQuestion, kFindParentsTitle, prompt);
    if (!name) return std::nullopt;
    return ShowOrTell(FindParents(datFile, *name), prompt);
}

std::optional<FindResults> AskFindPaths(const ObjectModel& model, std::span<const NodeRecord> nodes,
                                        const TreeDisplay& tree, Prompt& prompt)
{
    const auto name = AskText(kFindPathsQuestion, kFindPathsTitle, prompt);
    if (!name) return std::nullopt;
    return ShowOrTell(FindPaths(model, nodes, tree, *name), prompt);
}

std::optional<FindResults> AskFindObjectsWithMember(const std::filesystem::path& datFile, Prompt& prompt)
{
    const auto answer = AskText(kFindObjectsQuestion, kFindObjectsTitle, prompt);
    if (!answer) return std::nullopt;
    const FindText parsed = ParseFindText(*answer);
    if (parsed.text.empty()) return std::nullopt;  // "/w" alone names nothing
    return ShowOrTell(FindObjectsWithMember(datFile, parsed.text, parsed.wholeWord), prompt);
}

}  // namespace arbolith::browser
