// SPDX-License-Identifier: MIT
// Reading enum tables (a model's DAT file, Special.mdb and tables made here
// with awkward contents), the literal constant search, and the generated
// texts line by line.
#include "enums/enum_source.h"
#include "platform/database.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace arbolith::enums {
namespace {

namespace fs = std::filesystem;

struct Row3 {
    std::optional<std::string> enumName;
    std::optional<std::string> constant;
    std::optional<std::int64_t> value;
};

// A DAT file with the given rows in its Enums table.
fs::path MakeDat(const test::TempDir& dir, const std::vector<Row3>& rows, bool withEnums = true)
{
    const fs::path path = dir / "Model.DAT";
    auto db = CreateDatFile(path);
    EXPECT_TRUE(db.ok()) << db.error().description;
    if (withEnums) {
        EXPECT_TRUE(CreateDataTables(*db).ok());
        auto ins = Inserter::Prepare(*db, "Enums", {"Enum", "cConstants", "Constant", "Value"});
        for (const Row3& row : rows) EXPECT_TRUE(ins->Insert({row.enumName, 0, row.constant, row.value}).ok());
    }
    return path;
}

// A file like Special.mdb with the given rows, no constraints on them.
fs::path MakeVba(const test::TempDir& dir, const std::vector<Row3>& rows)
{
    const fs::path path = dir / "Special.mdb";
    auto db = Database::Create(path, ";pwd=vormtex");
    EXPECT_TRUE(db.ok());
    EXPECT_TRUE(db->ExecuteScript("CREATE TABLE [VB/VBA - Enums] ([Enum] TEXT COLLATE NOCASE, "
                                  "[Constant] TEXT COLLATE NOCASE, [Value] INTEGER)")
                    .ok());
    auto ins = Inserter::Prepare(*db, "VB/VBA - Enums", {"Enum", "Constant", "Value"});
    for (const Row3& row : rows) EXPECT_TRUE(ins->Insert({row.enumName, row.constant, row.value}).ok());
    return path;
}

const std::vector<Row3> kRows = {
    {"beta", "bTwo", 2},   {"Alpha", "aMax", INT_MAX}, {"Alpha", "aMin", INT_MIN}, {"alpha2", "it's", 0},
    {"Alpha", "aZero", 0}, {"Alpha", "aAlsoZero", 0},  {"beta", "b%_\\x", 1},      {"Alpha", "line\nbreak", -1},
};

TEST(EnumSource, ReadsModelsInNameAndValueOrder)
{
    test::TempDir dir;
    auto source = EnumSource::OpenModel(MakeDat(dir, kRows));
    ASSERT_TRUE(source.ok()) << source.error().description;
    EXPECT_EQ(source->Table(), "Enums");
    EXPECT_EQ(source->EnumNames().value(), (std::vector<std::string>{"Alpha", "alpha2", "beta"}));
    // By value; equal values in table order; the 32-bit extremes intact.
    const std::vector<EnumConstant> alpha = source->Constants("Alpha").value();
    EXPECT_EQ(alpha, (std::vector<EnumConstant>{
                         {"aMin", INT_MIN}, {"line\nbreak", -1}, {"aZero", 0}, {"aAlsoZero", 0}, {"aMax", INT_MAX}}));
    EXPECT_EQ(ConstantItem(alpha.front()), "aMin = -2147483648");
    EXPECT_EQ(ConstantItem(alpha.back()), "aMax = 2147483647");
    EXPECT_EQ(source->Constants("it's").value(), std::vector<EnumConstant>{});
    EXPECT_EQ(source->Constants("alpha2").value(), (std::vector<EnumConstant>{{"it's", 0}}));
}

TEST(EnumSource, FindTakesTheTextLiterallyWithoutCase)
{
    test::TempDir dir;
    auto source = EnumSource::OpenModel(MakeDat(dir, kRows));
    ASSERT_TRUE(source.ok());
    const struct {
        std::string text;
        std::vector<std::string> constants;
    } cases[] = {
        {"A", {"aMax", "aMin", "aZero", "aAlsoZero", "line\nbreak"}},
        {"ZERO", {"aZero", "aAlsoZero"}},
        {"'", {"it's"}},
        {"%", {"b%_\\x"}},
        {"_", {"b%_\\x"}},
        {"\\", {"b%_\\x"}},
        {"b%_\\X", {"b%_\\x"}},
        {"a_a", {}},
        {"\n", {"line\nbreak"}},
        {"nothing", {}},
    };
    for (const auto& c : cases) {
        auto found = source->FindConstants(c.text);
        ASSERT_TRUE(found.ok()) << c.text;
        std::vector<std::string> names;
        std::vector<std::string> enumsSeen;
        for (const ConstantMatch& m : *found) {
            names.push_back(m.constant.name);
            enumsSeen.push_back(m.enumName);
        }
        EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()),
                  std::multiset<std::string>(c.constants.begin(), c.constants.end()))
            << c.text;
        EXPECT_TRUE(std::is_sorted(enumsSeen.begin(), enumsSeen.end(), [](const std::string& a, const std::string& b) {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                [](char x, char y) { return std::tolower(x) < std::tolower(y); });
        })) << c.text;
    }
    EXPECT_EQ(MatchItem({"beta", {"bTwo", 2}}), "bTwo = 2   [Enum: beta]");
}

TEST(EnumSource, BadFilesAreErrorsAndNothingIsCreated)
{
    test::TempDir dir;
    EXPECT_FALSE(EnumSource::OpenModel(dir / "missing.DAT").ok());
    EXPECT_FALSE(EnumSource::OpenVba(dir / "Special.mdb").ok());
    EXPECT_FALSE(fs::exists(dir / "missing.DAT"));
    EXPECT_FALSE(fs::exists(dir / "Special.mdb"));

    // A DAT file with no Enums table, one that is not a database, an empty one.
    auto noTable = EnumSource::OpenModel(MakeDat(dir, {}, false));
    ASSERT_FALSE(noTable.ok());
    EXPECT_NE(noTable.error().description.find("Enums"), std::string::npos);
    test::WriteBytes(dir / "junk.DAT", "this is no database at all, just some text");
    EXPECT_FALSE(EnumSource::OpenModel(dir / "junk.DAT").ok());
    test::WriteBytes(dir / "empty.DAT", "");
    EXPECT_FALSE(EnumSource::OpenModel(dir / "empty.DAT").ok());
    EXPECT_EQ(test::ReadBytes(dir / "empty.DAT"), "");
    // A DAT file is not Special.mdb: it has no VB/VBA table.
    EXPECT_FALSE(EnumSource::OpenVba(dir / "Model.DAT").ok());
}

TEST(EnumSource, NullFieldsReadAsEmptyAndZero)
{
    test::TempDir dir;
    auto source = EnumSource::OpenVba(MakeVba(
        dir, {{std::nullopt, "orphan", 5}, {"E", std::nullopt, 3}, {"E", "noValue", std::nullopt}, {"E", "one", 1}}));
    ASSERT_TRUE(source.ok());
    // A row without an enumeration name has no node to be listed under.
    EXPECT_EQ(source->EnumNames().value(), std::vector<std::string>{"E"});
    EXPECT_EQ(source->Constants("E").value(), (std::vector<EnumConstant>{{"noValue", 0}, {"one", 1}, {"", 3}}));
    const auto found = source->FindConstants("orphan").value();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].enumName, "");
}

TEST(EnumSource, LargeEnumReadsWhole)
{
    test::TempDir dir;
    const fs::path path = dir / "Big.DAT";
    {
        auto db = CreateDatFile(path);
        ASSERT_TRUE(CreateDataTables(*db).ok());
        auto tx = db->Begin();
        auto ins = Inserter::Prepare(*db, "Enums", {"Enum", "cConstants", "Constant", "Value"});
        for (int i = 0; i < 100000; ++i)
            ASSERT_TRUE(ins->Insert({"Big", 100000, "c" + std::to_string(i), 100000 - i}).ok());
        ASSERT_TRUE(tx->Commit().ok());
    }
    auto source = EnumSource::OpenModel(path);
    ASSERT_TRUE(source.ok());
    const auto constants = source->Constants("Big").value();
    ASSERT_EQ(constants.size(), 100000u);
    EXPECT_EQ(constants.front(), (EnumConstant{"c99999", 1}));
    EXPECT_EQ(constants.back(), (EnumConstant{"c0", 100000}));
}

TEST(EnumSource, FindsSpecialFileInTheApplicationFolderFirst)
{
    test::TempDir dir;
    fs::create_directories(dir / "app");
    fs::create_directories(dir / "data1");
    fs::create_directories(dir / "data2");
    EXPECT_EQ(FindSpecialFile(dir / "app", {dir / "data1", dir / "data2"}), std::nullopt);
    test::WriteBytes(dir / "data2" / "Special.mdb", "x");
    EXPECT_EQ(FindSpecialFile(dir / "app", {dir / "data1", dir / "data2"}), dir / "data2" / "Special.mdb");
    test::WriteBytes(dir / "data1" / "Special.mdb", "x");
    EXPECT_EQ(FindSpecialFile(dir / "app", {dir / "data1", dir / "data2"}), dir / "data1" / "Special.mdb");
    test::WriteBytes(dir / "app" / "Special.mdb", "x");
    EXPECT_EQ(FindSpecialFile(dir / "app", {dir / "data1", dir / "data2"}), dir / "app" / "Special.mdb");
}

TEST(EnumSource, BuiltSpecialFileHoldsTheLanguageEnums)
{
    auto source = EnumSource::OpenVba(ARBOLITH_SPECIAL_FILE);
    ASSERT_TRUE(source.ok()) << source.error().description;
    const auto names = source->EnumNames().value();
    EXPECT_EQ(names.size(), 19u);
    std::size_t constants = 0;
    for (const std::string& name : names) constants += source->Constants(name).value().size();
    EXPECT_EQ(constants, 248u);
    const auto msgBox = source->Constants("vbmsgboxresult").value();
    ASSERT_FALSE(msgBox.empty());
    EXPECT_EQ(msgBox.front(), (EnumConstant{"vbOK", 1}));
    // "vb" in any case, by enumeration name.
    const auto vb = source->FindConstants("VB").value();
    EXPECT_GT(vb.size(), 100u);
    for (const ConstantMatch& m : vb) {
        std::string lower = m.constant.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(lower.find("vb"), std::string::npos) << m.constant.name;
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(EnumCode, CopyTexts)
{
    EXPECT_EQ(ConstantCopyText("xlArea = 1"), "' xlArea = 1");
    EXPECT_EQ(EnumCopyText("E", {}), "' Enum E\r\n' End Enum");
    EXPECT_EQ(EnumCopyText("XlChartType", {"xlArea = 1", "xlBar = 2"}),
              "' Enum XlChartType\r\n\t' xlArea = 1\r\n\t' xlBar = 2\r\n' End Enum");
}

TEST(EnumCode, SelectCodeLineByLine)
{
    const std::vector<std::string> head = {"Function ColorName(lValue As Long) As String",
                                           "' Returns symbolic name for given value of enum Color",
                                           "Dim sName As String", "Select case lValue"};
    const std::vector<std::string> tail = {"\tCase Else: sName = \"<invalid>\"", "End Select", "ColorName = sName",
                                           "End Function"};
    const struct {
        std::vector<std::string> items;
        std::vector<std::string> cases;
    } cases[] = {
        {{}, {}},
        {{"red = 1", "crimson = 1"}, {"\tCase 1: sName = \"red\"", "\tCase 1: sName = \"crimson\""}},
        {{ConstantItem({"lo", INT_MIN}), ConstantItem({"hi", INT_MAX}), ConstantItem({"neg", -5})},
         {"\tCase -2147483648: sName = \"lo\"", "\tCase 2147483647: sName = \"hi\"", "\tCase -5: sName = \"neg\""}},
        {{"  spaced  =  7 (seven) ", "bare", "a = b = c", "x=", " = 3"},
         {"\tCase 7: sName = \"spaced\"", "\tCase <unknown>: sName = \"bare\"", "\tCase b = c: sName = \"a\"",
          "\tCase : sName = \"x\"", "\tCase 3: sName = \"\""}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected = head;
        expected.insert(expected.end(), c.cases.begin(), c.cases.end());
        expected.insert(expected.end(), tail.begin(), tail.end());
        const std::string text = EnumSelectCode("Color", c.items);
        EXPECT_EQ(Lines(text), expected);
        EXPECT_FALSE(text.ends_with("\n"));
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            EXPECT_TRUE(at > 0 && text[at - 1] == '\r');
    }
    EXPECT_EQ(EnumSelectCode("", {"a = 1"}), "");
}

}  // namespace
}  // namespace arbolith::enums
