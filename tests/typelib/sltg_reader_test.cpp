// SPDX-License-Identifier: MIT
// The SLTG reader on damaged input, and an MSFT library importing from an
// SLTG one. The sound library is sltg-interfaces.tlb, made by a real IDL
// compiler; each case spoils a copy of its bytes.
#include "typelib/sltg_reader.h"
#include "support/temp_dir.h"
#include "typelib/msft_builder.h"
#include "typelib/sltg_writer.h"
#include "typelib/typelib.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Get32;
using test::Put32;

const fs::path kSample = fs::path(ARBOLITH_TEST_DATA) / "typelib" / "idl" / "sltg-interfaces.tlb";

Read<TypeLib> Open(const std::string& bytes)
{
    return SltgReader::Open(ByteView(std::string_view(bytes)));
}

std::uint16_t Get16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b.at(at)) |
                                      (static_cast<unsigned char>(b.at(at + 1)) << 8));
}

// Where the blocks of an SLTG file start, in file order; the last is the
// library block. Read the way the format lays them out, for sound files.
struct Layout {
    std::size_t magicBlock = 0;
    std::vector<std::size_t> blockStart;
    std::vector<std::size_t> entryOf;  // directory entry of each block
};
Layout LayoutOf(const std::string& b)
{
    Layout l;
    const std::size_t entries = Get16(b, 4) - 1u;
    l.magicBlock = 0x24 + 8 * entries;
    std::size_t at = l.magicBlock + 13 + 11 * (entries - 1) + 9;
    for (std::size_t e = Get16(b, 0x0A); e != 0; e = Get16(b, 0x24 + 8 * (e - 1) + 6)) {
        l.blockStart.push_back(at);
        l.entryOf.push_back(e);
        at += Get32(b, 0x24 + 8 * (e - 1));
    }
    l.blockStart.push_back(at);  // the end
    return l;
}

class SltgDamage : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bytes = test::ReadBytes(kSample);
        ASSERT_FALSE(m_bytes.empty()) << kSample;
        ASSERT_TRUE(Open(m_bytes));
        m_layout = LayoutOf(m_bytes);
        ASSERT_EQ(m_layout.blockStart.size(), 6u);  // four types, the library, the end
    }
    std::string Spoilt(std::size_t at, std::uint32_t value, int bytes) const
    {
        std::string b = m_bytes;
        Put32(b, at, value, bytes);
        return b;
    }
    std::string m_bytes;
    Layout m_layout;
};

TEST_F(SltgDamage, EachDamageFailsNamingItsCause)
{
    const std::size_t firstType = m_layout.blockStart[0];
    const std::size_t lib = m_layout.blockStart[4];
    const std::size_t firstEntry = 0x24 + 8 * (m_layout.entryOf[0] - 1);
    const std::size_t membersOfFirst = firstType + Get32(m_bytes, firstType + 0x0A);
    const std::size_t shape = m_layout.blockStart[2];  // IShape: its base is in its reference table
    const std::size_t shapeRefs = shape + Get32(m_bytes, shape + 2);
    const std::pair<std::string, const char*> cases[] = {
        {Spoilt(0, 0x47544C54, 4), "not an SLTG type library"},
        {Spoilt(4, 1, 2), "no library block"},
        {Spoilt(4, 0xFFFF, 2), "block directory"},
        {Spoilt(m_layout.magicBlock + 1, 'X', 1), "\"CompObj\"/\"dir\" marks missing"},
        {Spoilt(0x0A, 9, 2), "block chain names entry 9"},
        {Spoilt(firstEntry + 6, static_cast<std::uint32_t>(m_layout.entryOf[0]), 2), "does not end"},
        {Spoilt(firstEntry, 0x7FFFFFF0, 4), "past end"},
        {Spoilt(firstType, 0x0502, 2), "typeinfo 0: header magic 0x502"},
        {Spoilt(firstType + 0x1D, 9, 1), "typeinfo 0: unknown type kind 9"},
        {Spoilt(firstType + 0x0A, 0xFFF0, 4), "typeinfo 0: member header"},
        {Spoilt(membersOfFirst + 5, 0xFFFF, 4), "typeinfo 0: member records"},
        {Spoilt(lib, 0x51CD, 2), "library block: magic 0x51cd"},
        {Spoilt(shapeRefs, 0xDE, 1), "typeinfo 2: reference table: magic 0xde"},
        {Spoilt(shapeRefs + 0x44, 0x7FFFFFF8, 4), "typeinfo 2: reference table: 2147483640 bytes of references"},
    };
    for (const auto& [bytes, message] : cases) {
        auto loaded = Open(bytes);
        ASSERT_FALSE(loaded) << message;
        EXPECT_NE(loaded.error().what.find(message), std::string::npos) << loaded.error().what;
    }
}

TEST_F(SltgDamage, CutAnywhereFailsAndNeverReadsPastTheEnd)
{
    // Bytes after the last block (the compiler leaves a trailer) are not needed.
    const std::size_t end = m_layout.blockStart.back();
    ASSERT_LE(end, m_bytes.size());
    for (std::size_t n = 0; n < m_bytes.size(); ++n)
        EXPECT_EQ(Open(m_bytes.substr(0, n)).ok(), n >= end) << "cut at " << n;
}

TEST_F(SltgDamage, UnreadableNamesAndRunawayCountsLoseOnlyWhatTheyName)
{
    // The first interface (INamed): its name offset in the library block's
    // type entry, and the function count in its tail.
    auto sound = Open(m_bytes);
    ASSERT_TRUE(sound);
    const TypeInfo& named = sound->types[1];
    ASSERT_EQ(named.name, "INamed");

    const std::size_t block = m_layout.blockStart[1];
    const std::size_t members = block + Get32(m_bytes, block + 0x0A);
    const std::size_t tail = members + 9 + Get32(m_bytes, members + 5);
    auto many = Open(Spoilt(tail, 0xFFFF, 2));  // 65535 functions in a chain of two
    ASSERT_TRUE(many);
    EXPECT_EQ(many->types[1].functions.size(), named.functions.size());

    // Every function names the same record as the next one: the chain is
    // cut by the count, not followed forever.
    const std::size_t first = members + 9 + Get16(m_bytes, tail + 8);
    std::string looping = Spoilt(first + 2, Get16(m_bytes, tail + 8), 2);
    Put32(looping, tail, 0xFFFF, 2);
    auto loop = Open(looping);
    if (loop) {
        EXPECT_LE(loop->types[1].functions.size(), 0xFFFFu);
    } else {
        EXPECT_NE(loop.error().what.find("overlap"), std::string::npos) << loop.error().what;
    }

    // A member name offset past the name table leaves that name empty.
    std::string nameless = m_bytes;
    Put32(nameless, first + 4, 0xFFF0, 2);
    auto loaded = Open(nameless);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->types[1].functions.at(0).name, "");
    EXPECT_EQ(loaded->types[1].functions.at(1).name, named.functions.at(1).name);
}

TEST(SltgImports, AnMsftLibraryFindsItsImportedTypesInAnSltgOneBesideIt)
{
    test::TempDir dir;
    ClearTypeLibCache();
    fs::copy_file(kSample, dir.path() / "interfaces.tlb");
    const Guid libGuid{0x8A3D1E20, 0x64B7, 0x4C59, {0xA1, 0xF2, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F, 0x80}};
    const Guid shape{0x8A3D1E20, 0x64B7, 0x4C59, {0xA1, 0xF2, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F, 0x82}};
    test::LibraryBuilder builder("Uses", Guid{0x11111111, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}});
    int imp = builder.Import(libGuid, 1, 0, "interfaces.tlb");
    builder.Interface("ICircle", Guid{0x11111112, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}}, test::Imported(imp, shape),
                      {test::Method("Radius", 1)});
    test::WriteBytes(dir.path() / "uses.tlb", builder.Bytes());

    auto lib = LoadTypeLib((dir.path() / "uses.tlb").string());
    ClearTypeLibCache();
    ASSERT_TRUE(lib) << lib.error().description;
    const TypeRef& base = lib->types.at(0).implTypes.at(0).ref;
    EXPECT_TRUE(base.resolved);
    EXPECT_EQ(base.name, "IShape");
    EXPECT_EQ(base.libraryName, "SltgInterfaces");
}

// A dual whose base is a dual of another library: its dispatch view holds
// IDispatch's functions, then the bases', then its own, and names the
// IDispatch found two libraries away as what it implements.
TEST(SltgImports, ADualOnAnImportedDualReachesIDispatchThroughThatLibrary)
{
    const fs::path wine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
    if (!fs::exists(wine / "stdole2.tlb"))
        GTEST_SKIP() << "Wine's stdole2.tlb is not installed (apt-get install wine64)";
    test::TempDir dir;
    ClearTypeLibCache();
    const Guid stdole{0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const Guid dispatch{0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const Guid baseLib{0x22222222, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const Guid base{0x22222223, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    test::LibraryBuilder a("Bases", baseLib);
    // IBase : IRoot : IDispatch; the step from IBase to IRoot is internal to that library.
    a.Dual("IRoot", Guid{0x22222224, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}},
           test::Imported(a.Import(stdole, 2, 0, "stdole2.tlb"), dispatch), {test::Method("Clean", 3)});
    a.Dual("IBase", base, test::Own(0), {test::Method("Paint", 1)});
    test::WriteBytes(dir.path() / "bases.tlb", a.Bytes());
    test::LibraryBuilder b("Derived", Guid{0x33333333, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}});
    b.Dual("IDerived", Guid{0x33333334, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}},
           test::Imported(b.Import(baseLib, 1, 0, "bases.tlb"), base), {test::Method("Polish", 2)});
    test::WriteBytes(dir.path() / "derived.tlb", b.Bytes());

    LoadOptions options;
    options.searchPaths.push_back(wine.string());
    auto msft = LoadTypeLib((dir.path() / "derived.tlb").string(), options);
    ASSERT_TRUE(msft) << msft.error().description;
    auto sltg = LoadTypeLibFromBytes(test::WriteSltg(*msft), "derived-sltg.tlb", 0, dir.path().string(), options);
    ClearTypeLibCache();
    ASSERT_TRUE(sltg) << sltg.error().description;
    const TypeInfo& derived = sltg->types.at(0);
    ASSERT_EQ(derived.implTypes.size(), 1u);
    EXPECT_EQ(derived.implTypes[0].ref.name, "IDispatch");
    EXPECT_EQ(derived.implTypes[0].ref.libraryName, "stdole");
    std::vector<std::string> names;
    for (const Function& fn : derived.functions) names.push_back(fn.name);
    const std::vector<std::string> expected{"QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
                                            "GetTypeInfo",    "GetIDsOfNames", "Invoke",  "Clean",
                                            "Paint",          "Polish"};
    EXPECT_EQ(names, expected);
    ASSERT_TRUE(derived.interfaceView);
    EXPECT_EQ(derived.interfaceView->implTypes.at(0).ref.name, "IBase");
}

}  // namespace
}  // namespace arbolith
