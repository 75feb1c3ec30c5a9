// SPDX-License-Identifier: MIT
// The SLTG writer's own bookkeeping: what Wine's loader checks against the
// written files (tools run by hand) cannot run here, so this covers what
// grows with a library's size: block chains, index strings, 16-bit offsets.
#include "typelib/sltg_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace arbolith::test {
namespace {

std::uint32_t At(const std::string& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return v;
}

TypeInfo Interface(std::string name, int functions)
{
    TypeInfo type;
    type.kind = TypeKind::Interface;
    type.name = std::move(name);
    for (int f = 0; f < functions; ++f) {
        Function fn;
        fn.name = "AMethodWithAVeryLongNameThatManyInterfacesShare_" + std::to_string(f);
        fn.memberId = 0x60000000 + f;
        fn.returnType.code = 25;
        fn.params = {{"firstArgumentWithALongName", 1, {3, 0, nullptr}}, {"second", 2, {8, 1, nullptr}}};
        type.functions.push_back(std::move(fn));
    }
    return type;
}

// Types named apart, or all alike (one name-table entry) to reach the type
// count limit before the name table's.
TypeLib Library(int types, int functionsEach, bool sameNames = false)
{
    TypeLib lib;
    lib.name = "Big";
    lib.doc = "A library of many types";
    for (int t = 0; t < types; ++t)
        lib.types.push_back(
            Interface(sameNames ? "I" : "IAnInterfaceWithAFairlyLongName" + std::to_string(t), functionsEach));
    return lib;
}

// Walks the block chain and the library block's type entries: every type's
// block is found by its index string, and the blocks fill the file.
TEST(SltgWriter, ManyTypesWithLongNamesKeepEveryBlockFindable)
{
    const TypeLib lib = Library(500, 40);  // 20,000 functions
    const std::string b = WriteSltg(lib);

    ASSERT_EQ(At(b, 0, 4), 0x47544C53u);
    const std::size_t blockCount = At(b, 4, 2) - 1;
    ASSERT_EQ(blockCount, lib.types.size() + 1);
    const std::size_t magic = 0x24 + 8 * blockCount;
    std::size_t offset = magic + 13 + 11 * lib.types.size() + 9;
    std::vector<std::size_t> blockAt(blockCount), indexAt(blockCount);
    std::size_t entry = At(b, 0x0A, 2) - 1;
    for (std::size_t n = 0; n < blockCount; ++n) {
        ASSERT_LT(entry, blockCount);
        blockAt[n] = offset;
        indexAt[n] = At(b, 0x24 + 8 * entry + 4, 2);
        offset += At(b, 0x24 + 8 * entry, 4);
        const std::size_t next = At(b, 0x24 + 8 * entry + 6, 2);
        if (n + 1 < blockCount) {
            ASSERT_NE(next, 0u) << "chain ends early at block " << n;
        }
        entry = next - 1;
    }
    EXPECT_EQ(offset, b.size());
    EXPECT_EQ(b.substr(magic + indexAt.back(), 4), std::string("dir\0", 4));

    // The library block: fixed fields, two counted strings, the rest fixed.
    std::size_t p = blockAt.back() + 8;
    for (int s = 0; s < 2; ++s) {
        const std::uint32_t len = At(b, p, 2);
        p += 2 + (len == 0xFFFF ? 0 : len);
    }
    p += 4 + 2 + 2 + 4 + 2 + 2 + 2 + 16 + 0x40;
    ASSERT_EQ(At(b, p, 2), lib.types.size());
    p += 2;
    std::set<std::string> seen;
    for (std::size_t t = 0; t < lib.types.size(); ++t) {
        const std::uint32_t len = At(b, p, 2);
        const std::string index = b.substr(p + 2, len);
        EXPECT_EQ(index, b.substr(magic + indexAt[t], len)) << "type " << t;
        EXPECT_EQ(b[magic + indexAt[t] + len], '\0');
        EXPECT_TRUE(seen.insert(index).second) << "index string " << index << " used twice";
        EXPECT_EQ(At(b, blockAt[t], 2), 0x0501u) << "type " << t;
        p += 2 + len;
        p += 2 + At(b, p, 2);     // the other name
        p += 2 + 2;               // reserved, name
        p += 2 + At(b, p, 2);     // help string
        p += 2 + 4 + 2 + 16 + 2;  // reserved, help context, reserved, GUID, kind
    }
}

// Each limit of the format: the last size it holds writes, one more is
// refused with a message naming the limit.
TEST(SltgWriter, RefusesWhatItsOffsetsCannotReach)
{
    TypeLib namesAtLimit = Library(1, 0);
    TypeLib namesPastLimit = namesAtLimit;
    // Distinct names of 32 bytes in the table (8 + 23 + NUL): 2048 fill 64 KB.
    for (TypeLib* lib : {&namesAtLimit, &namesPastLimit})
        for (int i = 0; i < (lib == &namesAtLimit ? 2040 : 2048); ++i) {
            Variable v;
            v.name = "field" + std::string(12 - std::to_string(i).size(), '_') + std::to_string(i) + "xxxxxx";
            lib->types[0].variables.push_back(v);
        }
    TypeLib bigType = Library(1, 0);
    bigType.types[0] = Interface("IHuge", 2100);  // 2100 x 32 bytes of functions
    for (Function& fn : bigType.types[0].functions) fn.name = "Same";

    const struct {
        const char* what;
        TypeLib lib;
        const char* refusal;  // nullptr: writes
    } cases[] = {
        {"5956 types", Library(5956, 0, true), nullptr},    {"5957 types", Library(5957, 0, true), "at most 5956"},
        {"names just under 64 KB", namesAtLimit, nullptr},  {"names past 64 KB", namesPastLimit, "name table"},
        {"member data past 64 KB", bigType, "member data"},
    };
    for (const auto& c : cases) {
        const auto written = TryWriteSltg(c.lib);
        if (!c.refusal) {
            EXPECT_TRUE(written.ok()) << c.what << ": " << (written.ok() ? "" : written.error().description);
            continue;
        }
        ASSERT_FALSE(written.ok()) << c.what;
        EXPECT_NE(written.error().description.find(c.refusal), std::string::npos)
            << c.what << ": " << written.error().description;
    }
    EXPECT_THROW(WriteSltg(Library(5957, 0, true)), std::runtime_error);
}

}  // namespace
}  // namespace arbolith::test
