// SPDX-License-Identifier: MIT
// The MSFT parser on hand-built libraries: what it reads from a sound one,
// and that damaged ones fail with a message naming the part, or load with
// the damaged member left out, and never crash.
#include <gtest/gtest.h>

#include <random>

#include "typelib/code_pages.h"
#include "typelib/msft_builder.h"
#include "typelib/msft_reader.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

namespace arbolith {
namespace {

using test::FunctionNames;
using test::Imported;
using test::LibraryBuilder;
using test::Method;
using test::OleGuid;
using test::Own;
using test::SampleLibrary;

Result<TypeLib> Load(const std::string& bytes)
{
    return LoadTypeLibFromBytes(bytes, "test.tlb", 0, "");
}

// The sample library with `width` bytes at `at` replaced by `value`.
const std::string kSample = SampleLibrary();
const std::size_t kIThingInfo = test::SegmentAt(kSample, 0) + test::kTypeInfoSize;
std::string Spoilt(std::size_t at, std::uint32_t value, int width = 4)
{
    std::string bytes = kSample;
    test::Put32(bytes, at, value, width);
    return bytes;
}

TEST(MsftReader, DamagedHeadersFailNamingWhatIsWrong)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", ""},
        {"MS", ""},
        {Spoilt(0, 0x12345678), "not a type library"},
        {Spoilt(0, 0x47544C53), "block directory"},
        {Spoilt(0x20, 0x7FFFFFFF), "typeinfo count"},
        {Spoilt(0x20, 0xFFFFFFFF), ""},
        {Spoilt(kIThingInfo + 4, 0x1F40), "typeinfo 1: member block offset 0x1f40 past end of file"},
    };
    for (const auto& [bytes, message] : cases) {
        auto lib = Load(bytes);
        ASSERT_FALSE(lib) << message;
        EXPECT_NE(lib.error().description.find(message), std::string::npos) << lib.error().description;
    }
    // Everything up to the end of the last member table is needed.
    ASSERT_TRUE(Load(kSample));
    for (std::size_t n = 0; n < kSample.size(); ++n)
        EXPECT_FALSE(Load(kSample.substr(0, n))) << "loaded when cut at " << n;
}

TEST(MsftReader, DamagedMemberIsDroppedAndTypeKept)
{
    // 0x7FFF parameters cannot fit the 0x2C-byte record.
    auto lib = Load(Spoilt(test::Get32(kSample, kIThingInfo + 4) + 0x18, 0x7FFF, 2));
    ASSERT_TRUE(lib) << lib.error().description;
    EXPECT_EQ(lib->types[1].name, "IThing");
    EXPECT_TRUE(lib->types[1].functions.empty());

    // A name length past the name table leaves the name empty.
    auto badName = Load(Spoilt(kSample.find("IThing") - 4, 0xFF, 1));
    ASSERT_TRUE(badName);
    EXPECT_EQ(badName->types[1].name, "");

    // A parameter whose type description points at itself.
    LibraryBuilder b("Loop", Guid{});
    b.Interface("IThing", Guid{}, std::nullopt, {Method("Get", 0, {{"value", 1, {3, 1, std::nullopt}}})});
    std::string bytes = b.Bytes();
    test::Put32(bytes, test::SegmentAt(bytes, 9) + 4, 0);
    auto looped = Load(bytes);
    ASSERT_TRUE(looped);
    ASSERT_EQ(looped->types[0].functions.size(), 1u);
    EXPECT_GT(looped->types[0].functions[0].params[0].type.pointerLevels, 1);
}

TEST(MsftReader, RandomDamageNeverCrashes)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = kSample;
        int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<char>(rng());
        auto lib = Load(bytes);
        if (lib) (void)DumpTypeLib(lib.value());
    }
}

TEST(MsftReader, NamesDecodeFromTheLibraryCodePage)
{
    auto lib = Load(SampleLibrary("\xD6\xE2\xE5\xF2", 0x419));  // "Цвет" in 1251
    ASSERT_TRUE(lib);
    EXPECT_EQ(lib->types[0].name, "\xD0\xA6\xD0\xB2\xD0\xB5\xD1\x82");

    // Serbian Cyrillic and Croatian share a primary language but not a code page.
    EXPECT_EQ(AnsiCodePageOfLcid(0x0C1A), 1251);
    EXPECT_EQ(AnsiCodePageOfLcid(0x041A), 1250);
    EXPECT_EQ(DecodeCodePage("\x82\xA0", 932), "\xE3\x81\x82");
    EXPECT_EQ(DecodeCodePage("\x82", 932), "\xEF\xBF\xBD");  // cut-off sequence
}

// A stand-in for stdole: IUnknown and IDispatch, nothing else.
std::shared_ptr<const TypeLib> MiniStdole()
{
    LibraryBuilder b("stdole", OleGuid(0x00020430), 2, 0);
    int unknown = b.Interface("IUnknown", OleGuid(0), std::nullopt,
                              {Method("QueryInterface"), Method("AddRef"), Method("Release")});
    b.Interface("IDispatch", OleGuid(0x00020400), Own(unknown),
                {Method("GetTypeInfoCount"), Method("GetTypeInfo"), Method("GetIDsOfNames"), Method("Invoke")});
    std::string bytes = b.Bytes();
    auto lib = MsftReader::Open(ByteView(std::string_view(bytes)));
    EXPECT_TRUE(lib);
    return std::make_shared<const TypeLib>(std::move(lib.value()));
}

// A dual's dispatch view holds its whole chain, however the file orders the
// duals of the chain.
TEST(MsftReader, DualViewHoldsBaseMembersInAnyStoredOrder)
{
    const auto stdole = MiniStdole();
    const ImportResolver resolve = [&](const ImportedLibrary& want) {
        return want.guid == stdole->guid ? stdole : nullptr;
    };
    const Guid libGuid{0x5EED0001, 1, 2, {}}, baseGuid{0x5EED0002, 1, 2, {}}, derivedGuid{0x5EED0003, 1, 2, {}};
    for (bool derivedFirst : {true, false}) {
        LibraryBuilder b("Shapes", libGuid);
        const auto dispatch = Imported(b.Import(stdole->guid, 2, 0, "stdole2.tlb"), OleGuid(0x00020400));
        const int derived = derivedFirst ? 0 : 1, base = 1 - derived;
        if (!derivedFirst) b.Dual("IPlain", baseGuid, dispatch, {Method("Paint", 1)});
        b.Dual("IFancy", derivedGuid, Own(base), {Method("Polish", 2)});
        if (derivedFirst) b.Dual("IPlain", baseGuid, dispatch, {Method("Paint", 1)});
        b.Coclass("Fancy", Guid{0x5EED0004, 1, 2, {}}, {{Own(derived), kImplTypeFlagDefault}});
        std::string bytes = b.Bytes();
        auto lib = MsftReader::Open(ByteView(std::string_view(bytes)), resolve);
        ASSERT_TRUE(lib) << lib.error().what;
        SCOPED_TRACE(derivedFirst ? "derived stored first" : "base stored first");
        const TypeInfo& fancy = lib->types[static_cast<std::size_t>(derived)];
        EXPECT_EQ(FunctionNames(fancy),
                  (std::vector<std::string>{"QueryInterface", "AddRef", "Release", "GetTypeInfoCount", "GetTypeInfo",
                                            "GetIDsOfNames", "Invoke", "Paint", "Polish"}));
        EXPECT_EQ(fancy.functions.back().funcKind, 4);  // dispatch form
        ASSERT_TRUE(fancy.interfaceView);
        EXPECT_EQ(FunctionNames(*fancy.interfaceView), std::vector<std::string>{"Polish"});
        EXPECT_EQ(FunctionNames(lib->types[static_cast<std::size_t>(base)]).size(), 8u);
        const TypeInfo& coclass = lib->types[2];
        ASSERT_EQ(coclass.implTypes.size(), 1u);
        EXPECT_EQ(coclass.implTypes[0].ref.name, "IFancy");
    }

    // Two duals naming each other as base: the loop ends, each view keeps its own member.
    LibraryBuilder loop("Loop", libGuid);
    loop.Dual("IA", baseGuid, Own(1), {Method("A")});
    loop.Dual("IB", derivedGuid, Own(0), {Method("B")});
    auto lib = Load(loop.Bytes());
    ASSERT_TRUE(lib);
    ASSERT_FALSE(lib->types[0].functions.empty() || lib->types[1].functions.empty());
    EXPECT_EQ(lib->types[0].functions.back().name + lib->types[1].functions.back().name, "AB");
}

TEST(TypeLibDump, EscapesAsTheReferenceDumps)
{
    TypeLib lib;
    lib.name = "A\\B\nC\xC3\xA9\xF0\x9F\x98\x80";
    std::string dump = DumpTypeLib(lib);
    EXPECT_EQ(dump.substr(0, dump.find('\n')), "LIB.name=A\\\\B\\nC\\u00e9\\ud83d\\ude00");
    EXPECT_NE(dump.find("LIB.flags=8\n"), std::string::npos);
}

}  // namespace
}  // namespace arbolith
