// SPDX-License-Identifier: MIT
// arbolith-cli's --json documents say what the text says: each document,
// turned back into the text's lines, gives the text output of the same
// command. Then names with control characters, which the text escapes and a
// JSON string carries exactly, and the failures: status kept, stdout clean.
// (The forms themselves are checked against the schemas by cli.JsonSchemas.)
#include "cli/run_cli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Quoted;
using Lines = std::vector<std::string>;

const std::string kQuill = std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb";

std::string Str(const QJsonValue& value)
{
    return value.toString().toStdString();
}

QJsonObject Parse(const std::string& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << text;
    return document.object();
}

// Each element of the array `key` made a line.
Lines EachOf(const QJsonObject& document, const char* key, const std::function<std::string(const QJsonObject&)>& line)
{
    Lines lines;
    for (const QJsonValue& item : document[key].toArray()) lines.push_back(line(item.toObject()));
    return lines;
}

std::string Padded(const QJsonValue& count)
{
    char text[32];
    std::snprintf(text, sizeof text, "%03lld", static_cast<long long>(count.toInteger()));
    return text;
}

std::string Joined(const QJsonArray& parts, const std::string& separator)
{
    std::string text;
    for (const QJsonValue& part : parts) text += (text.empty() ? "" : separator) + Str(part);
    return text;
}

class CliJson : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Run("make " + Quoted(kQuill) + " --top Application --events").status, 0); }
    test::CliRun Run(const std::string& args) const
    {
        return test::RunCli(home, args + " --models " + Quoted((home / "Models").string()));
    }
    test::TempDir home;
};

TEST_F(CliJson, DocumentsSayWhatTheTextSays)
{
    using Line = std::function<std::string(const QJsonObject&)>;
    const Line treeLine = [](const QJsonObject& node) {
        return std::string(static_cast<std::size_t>(node["depth"].toInt()) * 2, ' ') + Str(node["label"]);
    };
    const Line pathLine = [](const QJsonObject& r) { return Joined(r["path"].toArray(), "\\"); };
    const Line enumLine = [](const QJsonObject&) { return std::string(); };  // flattened below
    const struct {
        const char* args;
        const char* array;
        Line line;
    } cases[] = {
        {"tree Quill", "nodes", treeLine},
        {"tree Quill --depth 1", "nodes", treeLine},
        {"report Quill creatables", "items", {}},
        {"report Quill members", "items", {}},
        {"report Quill frequencies", "rows",
         [](const QJsonObject& r) {
             return Str(r["object"]) + "\t" + Padded(r["interior"]) + "\t" + Padded(r["leaf"]) + "\t" +
                    Padded(r["total"]);
         }},
        {"report Quill frequencies --flat", "rows",
         [](const QJsonObject& r) {
             return Str(r["object"]) + "\t" + Padded(r["interior"]) + "\t" + Padded(r["leaf"]) + "\t" +
                    Padded(r["total"]);
         }},
        {"find Quill --object Document", "results", pathLine},
        {"find Quill --paths Window", "results", pathLine},
        {"find Quill --parents Document", "results",
         [](const QJsonObject& r) { return Str(r["parent"]) + "   " + Str(r["member"]); }},
        {"find Quill --member item", "results",
         [](const QJsonObject& r) { return Str(r["object"]) + "  [Member: " + Str(r["member"]) + "]"; }},
        {"find Quill --member Item --whole-word", "results", [](const QJsonObject& r) { return Str(r["object"]); }},
        {"enums Quill", "enums", enumLine},
        {"enums Quill --find ql", "enums", enumLine},
        {"models", "models",
         [](const QJsonObject& m) {
             const bool inf = m["hasInf"].toBool(), dat = m["hasDat"].toBool();
             return Str(m["category"]) + "\t" + Str(m["key"]) + "\t" + Str(m["modelName"]) + "\t" + Str(m["library"]) +
                    "\t" +
                    (inf && dat ? "INF DAT"
                     : inf      ? "INF"
                                : "DAT");
         }},
    };
    for (const auto& c : cases) {
        const test::CliRun text = Run(c.args), json = Run(std::string(c.args) + " --json");
        ASSERT_EQ(text.status, 0) << c.args << ": " << text.err;
        ASSERT_EQ(json.status, 0) << c.args << ": " << json.err;
        const QJsonObject document = Parse(json.out);
        Lines lines;
        if (std::string_view(c.array) == "enums") {
            for (const QJsonValue& e : document["enums"].toArray())
                for (const QJsonValue& k : e["constants"].toArray())
                    lines.push_back(Str(e["name"]) + "\t" + Str(k["name"]) + "\t" +
                                    std::to_string(k["value"].toInteger()));
        } else if (!c.line) {
            for (const QJsonValue& item : document[c.array].toArray()) lines.push_back(Str(item));
        } else {
            lines = EachOf(document, c.array, c.line);
        }
        EXPECT_FALSE(lines.empty()) << c.args;
        EXPECT_EQ(lines, test::SplitLines(text.out)) << c.args;
    }

    // The statistics: every value of the text's "Label: value" lines, and
    // no other, with the counts as numbers.
    const test::CliRun text = Run("report Quill stats"), json = Run("report Quill stats --json");
    Lines fromText, fromJson;
    for (const std::string& line : test::SplitLines(text.out)) fromText.push_back(line.substr(line.find(": ") + 2));
    for (const QJsonValue& value : Parse(json.out)["statistics"].toObject())
        fromJson.push_back(value.isDouble() ? std::to_string(value.toInteger()) : Str(value));
    std::sort(fromText.begin(), fromText.end());
    std::sort(fromJson.begin(), fromJson.end());
    EXPECT_EQ(fromJson, fromText);
    EXPECT_EQ(Parse(json.out)["statistics"].toObject()["objects"].toInteger(), 9);
}

// The text escapes control characters; the document carries the names as
// they are, escaped the JSON way, so a script reads the real name.
TEST_F(CliJson, ControlCharactersInNamesAreCarriedExactly)
{
    std::string bytes = test::ReadBytes(kQuill);
    const std::string from = "Windows", to = "Win\ndo\x1b";
    for (std::size_t at = 0; (at = bytes.find(from, at)) != std::string::npos; at += to.size())
        bytes.replace(at, from.size(), to);
    const fs::path library = home / "Odd.tlb";
    test::WriteBytes(library, bytes);
    ASSERT_EQ(Run("make " + Quoted(library.string()) + " --top Application").status, 0);

    const test::CliRun tree = Run("tree Odd --depth 1 --json");
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(tree.out.find('\x1b'), std::string::npos);
    const Lines objects = EachOf(Parse(tree.out), "nodes", [](const QJsonObject& n) { return Str(n["object"]); });
    EXPECT_NE(std::find(objects.begin(), objects.end(), to), objects.end()) << tree.out;

    const test::CliRun dump = test::RunCli(home, "dump " + Quoted(library.string()) + " --json");
    ASSERT_EQ(dump.status, 0) << dump.err;
    const QJsonArray types = Parse(dump.out)["libraries"].toArray()[0].toObject()["types"].toArray();
    EXPECT_TRUE(std::any_of(types.begin(), types.end(), [&](const QJsonValue& t) { return Str(t["name"]) == to; }));
}

TEST_F(CliJson, FailuresKeepTheirStatusAndStdoutHoldsOnlyTheDocument)
{
    const struct {
        std::string args;
        int status;
        const char* document;  // what stdout holds: "" nothing, else a JSON document that contains this
    } cases[] = {
        {"tree Nothing --json", 1, ""},
        {"report Nothing stats --json", 1, ""},
        {"find Nothing --object X --json", 1, ""},
        {"enums Nothing --json", 1, ""},
        {"tree Quill --depth 0 --json", 0, "\"children\":5"},
        // Nothing found: the document lists nothing, the status says so.
        {"find Quill --object NoSuchNode --json", 1, "\"results\":[]"},
        // The text's "No hidden objects." is no object's name.
        {"report Quill hidden --json", 0, "\"items\":[]"},
        {"dump " + Quoted(kQuill) + " /no/such.tlb --json", 1,
         "\"failures\":[{\"file\":\"/no/such.tlb\",\"error\":\"/no/such.tlb: cannot open"},
    };
    for (const auto& c : cases) {
        const test::CliRun ran = c.args.starts_with("dump") ? test::RunCli(home, c.args) : Run(c.args);
        EXPECT_EQ(ran.status, c.status) << c.args << ": " << ran.err;
        if (*c.document == '\0') {
            EXPECT_EQ(ran.out, "") << c.args;
            EXPECT_FALSE(ran.Messages().empty()) << c.args;
        } else {
            Parse(ran.out);
            EXPECT_NE(ran.out.find(c.document), std::string::npos) << c.args << "\n" << ran.out;
        }
    }
}

}  // namespace
}  // namespace arbolith
