// SPDX-License-Identifier: MIT
#include "catalog/model_catalog.h"

#include "catalog_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace arbolith::catalog {
namespace {

using test::TempDir;

const CatalogModel* Find(const Catalog& catalog, std::string_view key)
{
    for (const CatalogModel& model : catalog.models)
        if (model.key == key) return &model;
    return nullptr;
}

// A folder with every kind of entry a user's Models folder may hold.
class CatalogFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::MakeCatalogDat(dir / "Excel.DAT", "Microsoft Excel 9.0 Object Library");
        test::MakeCatalogInf(dir / "excel.inf", "Excel 2000", "excel9.olb", "Category=Office");
        test::MakeCatalogInf(dir / "Word.INF", "Word", "msword9.olb", "Category=office");
        test::MakeCatalogInf(dir / "Access.inf", "Access", "msacc9.olb", "Category=");
        test::MakeCatalogDat(dir / "Lone.Dat", "Lone Library");
        // Two DAT files whose names differ in case only: not a whole model.
        test::MakeCatalogDat(dir / "Twin.DAT", "Twin upper");
        test::MakeCatalogDat(dir / "twin.dat", "Twin lower");
        test::WriteBytes(dir / "Empty.DAT", "");
        test::WriteBytes(dir / "Junk.DAT", std::string(5000, 'x'));
        test::WriteBytes(dir / "Garbage.INF", "\x01\x02[[[\n=no key\n[Main\nModelName");
        test::WriteBytes(dir / "README", "no extension");
        test::WriteBytes(dir / "notes.txt", "not a model");
        std::filesystem::create_directory(dir / "Folder.DAT");
        // A category named like a model.
        test::MakeCatalogInf(dir / "Scripting.INF", "Scripting", "scrrun.dll", "Category=Excel");
    }

    TempDir dir;
};

TEST_F(CatalogFolder, ListsEveryModelByItsFilesAndReadsNothingElse)
{
    const auto before = test::FolderContents(dir.path());
    auto read = GetModelInfo(dir.path());
    ASSERT_TRUE(read.ok()) << read.error().description;
    const Catalog& c = *read;
    EXPECT_EQ(test::FolderContents(dir.path()), before);  // reading changed no file and made none

    std::vector<std::string> keys;
    for (const CatalogModel& m : c.models) keys.push_back(m.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"Access", "Empty", "Excel", "Garbage", "Junk", "Lone", "Scripting",
                                              "Twin", "Word"}));

    const CatalogModel* excel = Find(c, "Excel");
    EXPECT_EQ(ImageOf(*excel), ModelImage::Both);
    EXPECT_EQ(NodeText(*excel), "Excel 2000 - excel9.olb");
    EXPECT_EQ(ImageOf(*Find(c, "Twin")), ModelImage::DatOnly);
    EXPECT_EQ(ImageOf(*Find(c, "Word")), ModelImage::InfOnly);

    const CatalogModel* lone = Find(c, "Lone");
    EXPECT_EQ(NodeText(*lone), " - Lone Library");
    EXPECT_EQ(lone->category, kDefaultCategory);
    EXPECT_EQ(Find(c, "Access")->category, kDefaultCategory);

    // Unreadable DAT files are listed, with an empty description and the reason.
    for (const char* broken : {"Empty", "Junk"}) {
        const CatalogModel* m = Find(c, broken);
        EXPECT_EQ(m->library, "") << broken;
        EXPECT_FALSE(m->datProblem.empty()) << broken;
    }
    EXPECT_EQ(Find(c, "Garbage")->category, kDefaultCategory);

    // Office and office are one category, spelled as met first (Excel sorts before Word).
    EXPECT_EQ(c.categories, (std::vector<std::string>{"[Default]", "Office", "Excel"}));
}

TEST_F(CatalogFolder, TreeKeepsCategoriesAndModelsApartAndSortsEachBranch)
{
    auto read = GetModelInfo(dir.path());
    ASSERT_TRUE(read.ok());
    const auto tree = CatalogTree(*read);
    ASSERT_EQ(tree.size(), 3u);
    const auto keysOf = [&](const CategoryBranch& b) {
        std::vector<std::string> keys;
        for (std::size_t i : b.models) keys.push_back(read->models[i].key);
        return keys;
    };
    // Sorted by text: " - ..." texts before named ones, case set aside.
    EXPECT_EQ(keysOf(tree[0]), (std::vector<std::string>{"Empty", "Garbage", "Junk", "Lone", "Twin", "Access"}));
    EXPECT_EQ(keysOf(tree[1]), (std::vector<std::string>{"Excel", "Word"}));
    EXPECT_EQ(tree[2].name, "Excel");
    EXPECT_EQ(keysOf(tree[2]), (std::vector<std::string>{"Scripting"}));
}

TEST(Catalog, FolderThatCannotBeListedIsAnErrorAndAnEmptyOneIsEmpty)
{
    TempDir dir;
    auto empty = GetModelInfo(dir.path());
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->models.empty());
    auto missing = GetModelInfo(dir / "nowhere");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().description.find("nowhere"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
}

TEST(Catalog, DeleteAsksForEachFileAndRemovesOnlyWhatTheUserAgreedTo)
{
    TempDir dir;
    test::MakeCatalogDat(dir / "Excel.DAT", "Excel library");
    test::MakeCatalogInf(dir / "excel.inf", "Excel", "excel9.olb", "");

    // No to the DAT file, yes to the INF file: a DAT-only model is left.
    ScriptedPrompt prompt;
    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    DeleteOutcome outcome = DeleteModelFiles(dir.path(), "EXCEL", prompt);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].title, "Delete DAT File");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompt.asked[1].title, "Delete INF File");
    EXPECT_FALSE(outcome.datDeleted);
    EXPECT_TRUE(outcome.infDeleted);
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"Excel.DAT"});
    auto read = GetModelInfo(dir.path());
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read->models.size(), 1u);
    EXPECT_EQ(ImageOf(read->models[0]), ModelImage::DatOnly);
    EXPECT_EQ(read->models[0].library, "Excel library");

    // A name of no file asks nothing.
    ScriptedPrompt quiet;
    EXPECT_FALSE(DeleteModelFiles(dir.path(), "Office", quiet).AnyDeleted());
    EXPECT_TRUE(quiet.asked.empty());
    EXPECT_FALSE(DeleteModelFiles(dir.path(), "", quiet).AnyDeleted());
}

TEST(Catalog, DeleteThatFailsSaysWhyAndKeepsTheFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "root deletes from a read-only folder";
    TempDir dir;
    std::filesystem::create_directory(dir / "models");
    test::MakeCatalogDat(dir / "models" / "A.DAT", "A");
    chmod((dir / "models").c_str(), 0555);
    ScriptedPrompt prompt;
    prompt.answers = {PromptAnswer::Yes};
    const DeleteOutcome outcome = DeleteModelFiles(dir / "models", "a", prompt);
    chmod((dir / "models").c_str(), 0755);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->description.find("A.DAT"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "models" / "A.DAT"));
}

}  // namespace
}  // namespace arbolith::catalog
