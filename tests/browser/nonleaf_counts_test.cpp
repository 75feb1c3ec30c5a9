// SPDX-License-Identifier: MIT
#include "browser/nonleaf_counts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace arbolith {
namespace {

TEST(NonleafCounts, ReadsInFileOrderAndRewritesOnlyTheSection)
{
    test::TempDir dir;
    const auto inf = dir / "m.inf";
    test::WriteBytes(inf,
                     "[Main]\nModelName=M\n[NonleafCounts]\nZeta=3\n<Default>=\nAlpha=abc\nBig=99999999999\n"
                     "[Edges]\nA|B|=\n");
    const auto read = ReadNonleafCountEntries(inf);
    ASSERT_TRUE(read) << read.error().description;
    const std::vector<NonleafCount> expected{{"Zeta", 3}, {"<Default>", 6}, {"Alpha", 0}, {"Big", 2147483647}};
    EXPECT_EQ(*read, expected);

    // Another writer changed the file since it was read: its keys survive.
    test::WriteBytes(inf, test::ReadBytes(inf) + "[Later]\nKey=1\n");
    ASSERT_TRUE(WriteNonleafCountEntries(inf, {{"Beta", 2}, {"beta", 5}, {"<Default>", 4}}));
    const auto again = ReadNonleafCountEntries(inf);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, (std::vector<NonleafCount>{{"Beta", 5}, {"<Default>", 4}}));
    const std::string text = test::ReadBytes(inf);
    for (const char* kept : {"ModelName=M", "A|B|=", "[Later]", "Key=1"}) EXPECT_NE(text.find(kept), std::string::npos);
    EXPECT_EQ(text.find("Zeta"), std::string::npos);

    // An empty list empties the section; a missing file reads as empty.
    ASSERT_TRUE(WriteNonleafCountEntries(inf, {}));
    EXPECT_TRUE(ReadNonleafCountEntries(inf)->empty());
    EXPECT_TRUE(ReadNonleafCountEntries(dir / "none.inf")->empty());
}

TEST(NonleafCounts, RefusesAKeyALineCannotHoldWithoutWriting)
{
    test::TempDir dir;
    const auto inf = dir / "m.inf";
    const std::string before = "[NonleafCounts]\nA=1\n";
    test::WriteBytes(inf, before);
    for (const char* key : {"", "a=b", "[x", ";x", "a\nb"}) {
        EXPECT_FALSE(WriteNonleafCountEntries(inf, {{"Fine", 1}, {key, 2}})) << key;
        EXPECT_EQ(test::ReadBytes(inf), before);
    }
}

TEST(NonleafCounts, ATenMegabyteSectionLoadsWhole)
{
    test::TempDir dir;
    const auto inf = dir / "m.inf";
    std::string text = "[NonleafCounts]\n";
    std::size_t count = 0;
    while (text.size() < 10'000'000) text += "Object" + std::to_string(count++) + "=7\n";
    test::WriteBytes(inf, text);
    const auto read = ReadNonleafCountEntries(inf);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), count);
    EXPECT_EQ(read->back(), (NonleafCount{"Object" + std::to_string(count - 1), 7}));
}

}  // namespace
}  // namespace arbolith
