// SPDX-License-Identifier: MIT
// Replays the inputs kept in tests/data/typelib/fuzz-regressions: files the
// fuzzer (tools/fuzz-typelib.sh) or a reviewer found to crash the reader, hang
// it or blow up its memory. Each must load, or fail with a message; a few
// also pin down how the reader now treats them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"
#include "typelib/pe_resources.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::path(ARBOLITH_TEST_DATA) / "typelib" / "fuzz-regressions";

Result<TypeLib> Load(const std::string& bytes, std::uint32_t resource = 0)
{
    LoadOptions options;
    options.resolveExternal = false;
    return LoadTypeLibFromBytes(bytes, "input", resource, "", options);
}

// What the browser does with a loaded library, so damage the reader lets
// through is walked too.
void Use(const TypeLib& lib)
{
    EXPECT_FALSE(DumpTypeLib(lib).empty());
    for (const TypeInfo& type : lib.types) {
        EXPECT_GE(Members(type).size(), type.functions.size() + type.variables.size());
        if (auto i = DefaultInterface(type)) {
            EXPECT_LT(*i, type.implTypes.size());
        }
        if (auto i = DefaultSourceInterface(type)) {
            EXPECT_LT(*i, type.implTypes.size());
        }
    }
}

TEST(FuzzRegressions, EveryInputLoadsOrFailsWithAMessage)
{
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(kDir))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_FALSE(inputs.empty()) << kDir;

    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        std::string bytes = test::ReadBytes(input);
        std::vector<std::uint32_t> resources{0};
        if (ByteView view(bytes); LooksLikePe(view))
            if (auto ids = ListTypeLibResources(view)) resources.insert(resources.end(), ids->begin(), ids->end());
        for (std::uint32_t resource : resources) {
            auto lib = Load(bytes, resource);
            if (lib)
                Use(lib.value());
            else
                EXPECT_FALSE(lib.error().description.empty());
        }
    }
}

TEST(FuzzRegressions, DamagedInputsFailNamingTheirFault)
{
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        // Bytes used over and over: many members (or types) on one record,
        // many docs naming one long string, many duals on one wide base.
        // Scaled up, each of these took gigabytes.
        {"shared-member-record.bin", "overlaps"}, {"shared-member-block.bin", "overlaps"},
        {"shared-doc-string.bin", "shared text"}, {"duals-on-wide-base.bin", "dispatch views"},
        {"pe-resource-loop.bin", "too deep"},     {"huge-type-count.bin", "typeinfo count"},
        {"truncated-stdole2.bin", "past end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto lib = Load(test::ReadBytes(kDir / c.file));
        ASSERT_FALSE(lib);
        EXPECT_NE(lib.error().description.find(c.message), std::string::npos) << lib.error().description;
    }
}

TEST(FuzzRegressions, LoopsAreFollowedOnce)
{
    // T0 is an interface of five functions whose base is T0; T1-T3 are dual
    // dispinterfaces on it. The base chain used to be followed 33 times.
    auto lib = Load(test::ReadBytes(kDir / "self-based-interface.bin"));
    ASSERT_TRUE(lib) << lib.error().description;
    ASSERT_EQ(lib->types.size(), 4u);
    for (std::size_t i = 0; i < lib->types.size(); ++i) {
        EXPECT_EQ(lib->types[i].functions.size(), 5u) << "T" << i;
        EXPECT_EQ(i > 0, lib->types[i].interfaceView && lib->types[i].interfaceView->functions.empty()) << "T" << i;
    }

    // Fifty coclasses claiming 65535 interfaces each, all on one reference
    // record that names itself as the next.
    lib = Load(test::ReadBytes(kDir / "coclass-reference-loop.bin"));
    ASSERT_TRUE(lib) << lib.error().description;
    std::size_t interfaces = 0;
    for (const TypeInfo& type : lib->types) interfaces += type.implTypes.size();
    EXPECT_EQ(interfaces, 1u);
}

}  // namespace
}  // namespace arbolith
