// SPDX-License-Identifier: MIT
// Where a library's imported types are found: beside it, through the Wine
// registry, on the search path, in the stdole2 Arbolith ships — or nowhere,
// which must not fail the load.
#include "support/temp_dir.h"
#include "typelib/msft_builder.h"
#include "typelib/typelib.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::FunctionNames;

const fs::path kWine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

// The first implemented interface from another library.
std::optional<TypeRef> FirstExternalRef(const TypeLib& lib)
{
    for (const TypeInfo& type : lib.types)
        for (const ImplType& impl : type.implTypes)
            if (impl.ref.external) return impl.ref;
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

// Beside the library, through the Wine registry (a file on drive C), or on
// the search path: each way resolves IDispatch in the library it found. Found
// nowhere, the reference is unresolved but the load still succeeds.
TEST_F(ExternalRefs, FoundBesideThroughTheRegistryOrOnTheSearchPathOrNowhere)
{
    ImportSearch nowhere;
    nowhere.prefix = m_dir / "no-prefix";
    nowhere.wineFolders = nowhere.shippedFolder = false;
    const std::pair<LoadOptions, std::string> ways[] = {
        {ImportLoadOptions(nowhere), ""},
        {RegistryLoadOptions({}, MakePrefix()), "drive_c/windows/system32/stdole2.tlb"},
        {RegistryLoadOptions({kWine.string()}, m_dir / "no-prefix"), (kWine / "stdole2.tlb").string()},
        {RegistryLoadOptions({}, m_dir / "no-prefix"), (m_dir / "lib" / "stdole2.tlb").string()},
    };
    for (const auto& [options, where] : ways) {
        // The copy beside the library comes last: it would win over the other ways.
        if (&where == &ways[3].second) fs::copy_file(kWine / "stdole2.tlb", m_dir / "lib" / "stdole2.tlb");
        ClearTypeLibCache();
        auto lib = LoadTypeLib(m_library, options);
        ASSERT_TRUE(lib.ok()) << lib.error().description;
        const auto ref = FirstExternalRef(*lib);
        ASSERT_TRUE(ref);
        EXPECT_EQ(ref->resolved, !where.empty()) << where;
        EXPECT_EQ(ref->name, where.empty() ? "" : "IDispatch");
        ASSERT_EQ(static_cast<bool>(ref->library), !where.empty()) << where;
        if (ref->library) {
            EXPECT_TRUE(ref->library->path.ends_with(where)) << ref->library->path;
            continue;
        }
        // What the import record tells: the file it was taken from, GUID and version.
        EXPECT_EQ(ref->libraryName, "stdole2.tlb");
        EXPECT_EQ(ref->libraryGuid, test::OleGuid(0x00020430));
        EXPECT_EQ(ref->libraryMajor, 2);
        EXPECT_EQ(ref->libraryMinor, 0);
    }
}

// An imported library rewritten in place between two loads is read again:
// the second load sees the type the new file declares.
TEST(ImportCache, RewrittenImportIsReadAgain)
{
    ClearTypeLibCache();
    test::TempDir dir;
    const Guid pens{0x7E570001, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    const Guid pen{0x7E570002, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    auto pensLibrary = [&](const std::string& typeName) {
        test::LibraryBuilder b("Pens", pens);
        b.Interface(typeName, pen, std::nullopt, {test::Method("Write")});
        return b.Bytes();
    };
    test::LibraryBuilder desk("Desk", Guid{0x7E570003, 1, 2, {}});
    const int imported = desk.Import(pens, 1, 0, "pens.tlb");
    desk.Interface("IDesk", Guid{0x7E570004, 1, 2, {}}, test::Imported(imported, pen), {test::Method("Clear")});
    test::WriteBytes(dir / "desk.tlb", desk.Bytes());
    const fs::path pensFile = dir / "pens.tlb";

    for (const std::string name : {"IPen", "IFountainPen"}) {
        const auto before = fs::exists(pensFile) ? fs::last_write_time(pensFile) : fs::file_time_type{};
        test::WriteBytes(pensFile, pensLibrary(name));
        fs::last_write_time(pensFile, std::max(fs::last_write_time(pensFile), before + std::chrono::seconds(2)));
        auto lib = LoadTypeLib((dir / "desk.tlb").string());
        ASSERT_TRUE(lib.ok()) << lib.error().description;
        ASSERT_EQ(lib->types[0].implTypes.size(), 1u);
        const TypeRef& ref = lib->types[0].implTypes[0].ref;
        EXPECT_TRUE(ref.resolved);
        EXPECT_EQ(ref.name, name);
    }
    ClearTypeLibCache();
}

// Only the stdole2 that Arbolith ships: no registry, no Wine folders.
LoadOptions ShippedOnly()
{
    ImportSearch search;
    search.registry = false;
    search.wineFolders = false;
    return ImportLoadOptions(search);
}

// A 32-bit library compiled against Windows' stdole2 (here: Wine's), read on
// a machine without Wine: its duals still list IUnknown and IDispatch first,
// and its properties of stdole types name them.
TEST(ShippedStdole, ResolvesALibraryCompiledElsewhere)
{
    ClearTypeLibCache();
    const std::string easel = (fs::path(ARBOLITH_TEST_DATA) / "typelib" / "stdole-import" / "easel.tlb").string();
    auto lib = LoadTypeLib(easel, ShippedOnly());
    ASSERT_TRUE(lib.ok()) << lib.error().description;

    const std::pair<const char*, std::vector<std::string>> duals[] = {
        {"IFrame", {"Font", "Font", "Width"}},
        {"ICanvas", {"Font", "Font", "Width", "Picture", "Clear"}},
    };
    const TypeInfo* canvas = nullptr;
    for (const auto& [name, own] : duals) {
        const auto type = std::find_if(lib->types.begin(), lib->types.end(), [&](auto& t) { return t.name == name; });
        ASSERT_NE(type, lib->types.end()) << name;
        std::vector<std::string> expected = {"QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
                                             "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
        expected.insert(expected.end(), own.begin(), own.end());
        EXPECT_EQ(FunctionNames(*type), expected) << name;
        ASSERT_FALSE(type->implTypes.empty());
        EXPECT_EQ(type->implTypes[0].ref.name, "IDispatch") << name;
        canvas = &*type;  // ICanvas, the last
    }
    const std::pair<std::size_t, const char*> stdoleTypes[] = {{7, "IFontDisp"}, {10, "IPictureDisp"}};
    for (const auto& [index, typeName] : stdoleTypes) {
        const TypeDesc& returned = canvas->functions.at(index).returnType;
        ASSERT_TRUE(returned.ref) << typeName;
        EXPECT_TRUE(returned.ref->resolved) << typeName;
        EXPECT_EQ(returned.ref->name, typeName);
        EXPECT_EQ(returned.ref->libraryName, "stdole");
    }

    // The same dump as with Wine's own stdole2.
    if (fs::exists(kWine / "stdole2.tlb")) {
        LoadOptions wine;
        wine.searchPaths = {kWine.string()};
        ClearTypeLibCache();
        auto withWine = LoadTypeLib(easel, wine);
        ASSERT_TRUE(withWine.ok());
        EXPECT_EQ(DumpTypeLib(*lib), DumpTypeLib(*withWine));
    }
    ClearTypeLibCache();
}

// Types a library made on Windows names by their GUID in stdole2.
TEST(ShippedStdole, ResolvesStandardTypesByGuid)
{
    ClearTypeLibCache();
    const Guid stdoleGuid = test::OleGuid(0x00020430);
    const std::pair<Guid, const char*> cases[] = {
        {Guid{0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}, "OLE_COLOR"},
        {Guid{0x6650430A, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}, "OLE_TRISTATE"},
        {Guid{0xBEF6E003, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}, "Font"},
        {Guid{0x7BF80981, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}, "Picture"},
        {Guid{0x0BE35203, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}}, "StdFont"},
        {Guid{0xE6C8FA08, 0xBD9F, 0x11D0, {0x98, 0x5E, 0x00, 0xC0, 0x4F, 0xC2, 0x99, 0x93}}, "LoadPictureConstants"},
        {test::OleGuid(0x00020404), "IEnumVARIANT"},
    };
    test::TempDir dir;
    test::LibraryBuilder b("Colors", Guid{0x7E570010, 1, 2, {}});
    const int stdole = b.Import(stdoleGuid, 2, 0, "stdole2.tlb");
    std::vector<test::MethodSpec> methods;
    for (const auto& [guid, name] : cases) {
        test::ParamSpec param{"value", 1, test::TypeSpec{0, 0, test::Imported(stdole, guid)}};
        methods.push_back(test::Method(std::string("Take") + name, 0, {param}));
    }
    b.Interface("ITaker", Guid{0x7E570011, 1, 2, {}}, std::nullopt, methods);
    test::WriteBytes(dir / "colors.tlb", b.Bytes());

    auto lib = LoadTypeLib((dir / "colors.tlb").string(), ShippedOnly());
    ASSERT_TRUE(lib.ok()) << lib.error().description;
    ASSERT_EQ(lib->types[0].functions.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TypeDesc& type = lib->types[0].functions[i].params.at(0).type;
        ASSERT_TRUE(type.ref);
        EXPECT_TRUE(type.ref->resolved) << cases[i].second;
        EXPECT_EQ(type.ref->name, cases[i].second);
    }
    ClearTypeLibCache();
}

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
