// SPDX-License-Identifier: MIT
// TYPELIB resources in PE32+ files built by hand, and the "path\N" form.
#include <gtest/gtest.h>

#include "typelib/msft_builder.h"
#include "typelib/pe_resources.h"
#include "typelib/typelib_loader.h"

namespace arbolith {
namespace {

using test::Put32;
void Put16(std::string& b, std::size_t at, std::uint32_t v)
{
    Put32(b, at, v, 2);
}

// A PE32+ (or, with pe32 set, a PE32) file with one section (RVA 0x1000 at file offset 0x200) holding a
// resource tree TYPELIB / 1 / 0x409 -> `payload`.
struct PeBuilder {
    std::uint32_t dataRvaDelta = 0;  // added to the data entry's RVA
    std::uint16_t typeNameLength = 7;
    bool pe32 = false;  // 32-bit optional header: data directories 16 bytes earlier

    std::string Bytes(const std::string& payload) const
    {
        std::string b(0x200, '\0');
        b[0] = 'M';
        b[1] = 'Z';
        Put32(b, 0x3C, 0x40);
        Put32(b, 0x40, 0x00004550);
        const std::size_t optSize = pe32 ? 0xE0 : 0xF0;
        const std::size_t dirs = pe32 ? 96 : 112;
        Put16(b, 0x44, pe32 ? 0x14C : 0x8664);
        Put16(b, 0x46, 1);  // sections
        Put16(b, 0x54, static_cast<std::uint32_t>(optSize));
        const std::size_t opt = 0x58;
        Put16(b, opt, pe32 ? 0x10B : 0x20B);
        Put32(b, opt + dirs - 4, 16);  // number of data directories
        std::string res(0x70, '\0');
        Put16(res, 0x0C, 1);           // root: one named entry
        Put32(res, 0x10, 0x80000058);  // name at 0x58
        Put32(res, 0x14, 0x80000018);  // ids directory
        Put16(res, 0x18 + 0x0E, 1);    // ids: one id entry
        Put32(res, 0x28, 1);
        Put32(res, 0x2C, 0x80000030);
        Put16(res, 0x30 + 0x0E, 1);  // languages: one
        Put32(res, 0x40, 0x409);
        Put32(res, 0x44, 0x48);  // data entry
        Put32(res, 0x48, 0x1000 + 0x70 + dataRvaDelta);
        Put32(res, 0x4C, static_cast<std::uint32_t>(payload.size()));
        Put16(res, 0x58, typeNameLength);
        const char* name = "typelib";  // names compare without case
        for (int i = 0; i < 7; ++i) Put16(res, 0x5A + 2 * i, static_cast<unsigned char>(name[i]));
        res += payload;
        Put32(b, opt + dirs + 16, 0x1000);  // data directory 2: resources
        Put32(b, opt + dirs + 20, static_cast<std::uint32_t>(res.size()));
        const std::size_t sec = opt + optSize;
        Put32(b, sec + 8, static_cast<std::uint32_t>(res.size()));
        Put32(b, sec + 12, 0x1000);
        Put32(b, sec + 16, static_cast<std::uint32_t>(res.size()));
        Put32(b, sec + 20, 0x200);
        return b + res;
    }
};

TEST(PeResources, FindsTypeLibResourceAndReportsMissingOnes)
{
    std::string lib = test::SampleLibrary();
    std::string pe = PeBuilder{}.Bytes(lib);
    auto ids = ListTypeLibResources(ByteView(pe));
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids.value(), std::vector<std::uint32_t>{1});

    auto loaded = LoadTypeLibFromBytes(pe, "/x/thing.dll", 0, "");
    ASSERT_TRUE(loaded) << loaded.error().description;
    EXPECT_EQ(loaded->name, "TestLib");

    auto missing = LoadTypeLibFromBytes(pe, "/x/thing.dll", 3, "");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().description, "resource 3 not found in /x/thing.dll");

    PeBuilder pe32;
    pe32.pe32 = true;
    auto loaded32 = LoadTypeLibFromBytes(pe32.Bytes(lib), "/x/thing32.dll", 1, "");
    ASSERT_TRUE(loaded32) << loaded32.error().description;
    EXPECT_EQ(loaded32->name, "TestLib");
}

TEST(PeResources, DamagedTreesFailWithoutCrash)
{
    std::string lib = test::SampleLibrary();
    PeBuilder outside;
    outside.dataRvaDelta = 0x100000;
    EXPECT_FALSE(LoadTypeLibFromBytes(outside.Bytes(lib), "a.dll", 1, ""));

    PeBuilder otherName;
    otherName.typeNameLength = 6;
    auto notThere = LoadTypeLibFromBytes(otherName.Bytes(lib), "a.dll", 1, "");
    ASSERT_FALSE(notThere);
    EXPECT_NE(notThere.error().description.find("not found"), std::string::npos);

    std::string whole = PeBuilder{}.Bytes(lib);
    for (std::size_t n = 0; n < 0x200 + 0x70; n += 3) (void)LoadTypeLibFromBytes(whole.substr(0, n), "a.dll", 1, "");
    for (std::size_t at = 0; at < 0x270; ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(0xFF);
        (void)LoadTypeLibFromBytes(damaged, "a.dll", 1, "");
    }
}

TEST(PeResources, ResourceSuffixIsSplitOnlyWhenNumeric)
{
    EXPECT_EQ(SplitResourcePath("/a/b.dll\\2").path, "/a/b.dll");
    EXPECT_EQ(SplitResourcePath("/a/b.dll\\2").resource, 2u);
    EXPECT_EQ(SplitResourcePath("/a/b.dll").resource, 0u);
    EXPECT_EQ(SplitResourcePath("/a/b\\x.dll").path, "/a/b\\x.dll");
    EXPECT_EQ(SplitResourcePath("/a/b.dll\\").resource, 0u);
}

}  // namespace
}  // namespace arbolith
