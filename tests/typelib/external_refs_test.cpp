// SPDX-License-Identifier: MIT
// Where a library's imported types are found: beside it, through the Wine
// registry, on the search path — or nowhere, which must not fail the load.
#include "support/temp_dir.h"
#include "typelib/typelib.h"
#include "typelib/typelib_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kWine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

// The first reference to another library: an implemented interface or a
// parameter type.
std::optional<TypeRef> FirstExternalRef(const TypeLib& lib)
{
    for (const TypeInfo& type : lib.types)
        for (const ImplType& impl : type.implTypes)
            if (impl.ref.external) return impl.ref;
    for (const TypeInfo& type : lib.types)
        for (const Function& fn : type.functions)
            for (const Parameter& p : fn.params)
                if (p.type.ref && p.type.ref->external) return *p.type.ref;
    return std::nullopt;
}

class ExternalRefs : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kWine / "scrrun.dll") || !fs::exists(kWine / "stdole2.tlb"))
            GTEST_SKIP() << "Wine's type libraries are not installed (apt-get install wine64)";
        ClearTypeLibCache();
        fs::create_directory(m_dir / "lib");
        fs::copy_file(kWine / "scrrun.dll", m_dir / "lib" / "scrrun.dll");
        m_library = (m_dir / "lib" / "scrrun.dll").string();
    }
    void TearDown() override { ClearTypeLibCache(); }

    // A Wine prefix whose registry names stdole2.tlb on drive C.
    fs::path MakePrefix()
    {
        const fs::path prefix = m_dir / "prefix";
        fs::create_directories(prefix / "drive_c" / "windows" / "system32");
        fs::create_directories(prefix / "dosdevices");
        fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
        fs::copy_file(kWine / "stdole2.tlb", prefix / "drive_c" / "windows" / "system32" / "stdole2.tlb");
        test::WriteBytes(
            prefix / "system.reg",
            "WINE REGISTRY Version 2\n"
            ";; All keys relative to \\\\Machine\n\n"
            "[Software\\\\Classes\\\\Typelib\\\\{00020430-0000-0000-C000-000000000046}\\\\2.0] 1700000000\n"
            "@=\"OLE Automation\"\n\n"
            "[Software\\\\Classes\\\\Typelib\\\\{00020430-0000-0000-C000-000000000046}\\\\2.0\\\\0\\\\win64]"
            " 1700000000\n"
            "@=\"C:\\\\windows\\\\system32\\\\stdole2.tlb\"\n");
        return prefix;
    }

    test::TempDir m_dir;
    std::string m_library;
};

TEST_F(ExternalRefs, UnresolvedImportIsReportedNotFatal)
{
    auto lib = LoadTypeLib(m_library, RegistryLoadOptions({}, m_dir / "no-prefix"));
    ASSERT_TRUE(lib.ok()) << lib.error().description;
    const auto ref = FirstExternalRef(*lib);
    ASSERT_TRUE(ref);
    EXPECT_FALSE(ref->resolved);
    EXPECT_EQ(ref->name, "");
    EXPECT_FALSE(ref->library);
    // What the import record tells: the file it was taken from, GUID and version.
    EXPECT_EQ(ref->libraryName, "stdole2.tlb");
    EXPECT_EQ(ref->libraryGuid.ToString(), "{00020430-0000-0000-C000-000000000046}");
    EXPECT_EQ(ref->libraryMajor, 2);
    EXPECT_EQ(ref->libraryMinor, 0);
}

// Beside the library, through the Wine registry (a file on drive C), or on
// the search path: each way resolves IDispatch in the library it found.
TEST_F(ExternalRefs, FoundBesideThroughTheRegistryOrOnTheSearchPath)
{
    const std::pair<LoadOptions, std::string> ways[] = {
        {RegistryLoadOptions({}, MakePrefix()), "drive_c/windows/system32/stdole2.tlb"},
        {RegistryLoadOptions({kWine.string()}, m_dir / "no-prefix"), (kWine / "stdole2.tlb").string()},
        {RegistryLoadOptions({}, m_dir / "no-prefix"), (m_dir / "lib" / "stdole2.tlb").string()},
    };
    for (const auto& [options, where] : ways) {
        // The copy beside the library comes last: it would win over the other ways.
        if (&where == &ways[2].second) fs::copy_file(kWine / "stdole2.tlb", m_dir / "lib" / "stdole2.tlb");
        ClearTypeLibCache();
        auto lib = LoadTypeLib(m_library, options);
        ASSERT_TRUE(lib.ok()) << lib.error().description;
        const auto ref = FirstExternalRef(*lib);
        ASSERT_TRUE(ref);
        EXPECT_TRUE(ref->resolved) << where;
        EXPECT_EQ(ref->name, "IDispatch");
        ASSERT_TRUE(ref->library) << where;
        EXPECT_TRUE(ref->library->path.ends_with(where)) << ref->library->path;
    }
}

}  // namespace
}  // namespace arbolith

namespace arbolith {
namespace {

// Descriptors naming one type share one reference, in both views of a
// dual interface; references to different types never do.
TEST(TypeReferences, DescriptorsOfOneTypeShareOneReference)
{
    const fs::path mshtml = kWine / "mshtml.tlb";
    if (!fs::exists(mshtml)) GTEST_SKIP() << "Wine's mshtml.tlb is not installed (apt-get install wine64)";
    auto lib = LoadTypeLib(mshtml.string(), LoadOptions{{kWine.string()}, {}, true});
    ASSERT_TRUE(lib.ok()) << lib.error().description;
    std::map<std::tuple<bool, std::string, std::int32_t>, const TypeRef*> byTarget;
    std::size_t descriptors = 0;
    const auto check = [&](const TypeDesc& type) {
        if (!type.ref) return;
        ++descriptors;
        const auto [it, added] =
            byTarget.try_emplace({type.ref->external, type.ref->libraryName, type.ref->index}, type.ref.get());
        if (!added && type.ref->index >= 0) {
            EXPECT_EQ(it->second, type.ref.get()) << type.ref->name;
        }
    };
    for (const TypeInfo& type : lib->types)
        for (const TypeInfo* view : {&type, type.interfaceView.get()})
            if (view)
                for (const Function& fn : view->functions) {
                    check(fn.returnType);
                    for (const Parameter& p : fn.params) check(p.type);
                }
    EXPECT_GT(descriptors, 10 * byTarget.size());  // far more descriptors than referenced types
}

}  // namespace
}  // namespace arbolith
