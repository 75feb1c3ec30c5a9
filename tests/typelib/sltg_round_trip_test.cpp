// SPDX-License-Identifier: MIT
// Each MSFT library of our own set, and a few of Wine's, written again in the
// SLTG format and read back: the two readings dump the same, apart from what
// the SLTG format cannot hold (tests/typelib/sltg_writer.h lists it), which
// is taken out of the MSFT reading before the comparison.
#include "support/wine_corpus.h"
#include "typelib/dispatch_view.h"
#include "typelib/sltg_writer.h"
#include "typelib/typelib.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kParamFlagsSltgHolds = 0x01 | 0x02 | 0x04 | 0x08;  // in, out, lcid, retval
constexpr std::uint16_t kTypeFlagsSltgHolds = 0x1FFF;

void AsSltgHoldsFunction(Function& fn)
{
    if (fn.helpContext > 0xFFFD) fn.helpContext = 0;
    if (fn.params.size() > 31) fn.params.resize(31);
    fn.paramsOptional = static_cast<std::int16_t>(std::clamp<int>(fn.paramsOptional, 0, 63));
    const std::size_t firstOptional = fn.params.size() - std::min<std::size_t>(fn.params.size(), fn.paramsOptional);
    for (std::size_t i = 0; i < fn.params.size(); ++i) {
        fn.params[i].flags &= kParamFlagsSltgHolds;
        if (i >= firstOptional) fn.params[i].flags |= kParamFlagOptional;
    }
}

// `type` as the SLTG format can hold it; duals are handled by AsSltgHolds.
void AsSltgHoldsType(TypeInfo& type)
{
    type.typeFlags &= kTypeFlagsSltgHolds;
    type.dllName.clear();
    for (Function& fn : type.functions) AsSltgHoldsFunction(fn);
    for (Variable& var : type.variables) {
        if (var.helpContext > 0xFFFD) var.helpContext = 0;
        if (var.varKind == 1) var.varKind = 0;  // static
    }
    // A dispinterface's IDispatch is implied by its kind, not stored.
    if (type.kind == TypeKind::Dispatch && !(type.typeFlags & kTypeFlagDual)) type.implTypes.clear();
}

// `lib` as the SLTG format can hold it. A dual goes back to the form both
// formats store (its own functions in vtable form), loses what SLTG cannot
// hold there, and gets its dispatch view again, as a reader builds it.
void AsSltgHolds(TypeLib& lib)
{
    lib.lcid &= 0xFFFF;
    std::vector<std::optional<TypeRef>> bases(lib.types.size());
    for (std::size_t i = 0; i < lib.types.size(); ++i) {
        TypeInfo& type = lib.types[i];
        if (type.interfaceView) {
            TypeInfo stored = *type.interfaceView;
            if (!stored.implTypes.empty()) bases[i] = stored.implTypes.front().ref;
            type.functions = std::move(stored.functions);
            type.typeFlags = stored.typeFlags;
            type.interfaceView.reset();
        }
        AsSltgHoldsType(type);
    }
    ASSERT_TRUE(BuildDispatchViews(
        lib, [&](std::uint32_t i) { return bases[i]; }, ~std::uint64_t{0}));
}

struct Library {
    const char* name;
    fs::path path;
    bool wine;  // from Wine's package: skipped when the installed file differs
    friend void PrintTo(const Library& l, std::ostream* out) { *out << l.name; }
};

class SltgRoundTrip : public ::testing::TestWithParam<Library> {};

TEST_P(SltgRoundTrip, ReadsBackAsTheMsftLibraryReads)
{
    const Library& l = GetParam();
    if (l.wine)
        if (auto problem = test::CorpusFileProblem(l.path.filename())) GTEST_SKIP() << *problem;
    LoadOptions options;
    options.searchPaths.push_back(test::kWineLibraryDir.string());
    auto msft = LoadTypeLib(l.path.string(), options);
    ASSERT_TRUE(msft) << msft.error().description;
    const std::string bytes = test::WriteSltg(*msft);
    auto sltg = LoadTypeLibFromBytes(bytes, l.name, 0, test::kWineLibraryDir.string(), options);
    ASSERT_TRUE(sltg) << sltg.error().description;

    AsSltgHolds(*msft);
    const std::string want = DumpTypeLib(*msft), got = DumpTypeLib(*sltg);
    if (want == got) return;
    std::istringstream a(want), b(got);
    std::string x, y;
    for (int line = 1; std::getline(a, x) && std::getline(b, y); ++line)
        ASSERT_EQ(x, y) << "first difference at line " << line;
    FAIL() << "one dump is longer: " << want.size() << " vs " << got.size() << " bytes";
}

const fs::path kIdl = fs::path(ARBOLITH_TEST_DATA) / "typelib" / "idl";
const fs::path kSample = fs::path(ARBOLITH_TEST_DATA).parent_path().parent_path() / "data" / "sample";

INSTANTIATE_TEST_SUITE_P(Libraries, SltgRoundTrip,
                         ::testing::Values(Library{"automation", kIdl / "automation.tlb", false},
                                           Library{"records", kIdl / "records.tlb", false},
                                           Library{"cyrillic", kIdl / "cyrillic.tlb", false},
                                           Library{"Quill", kSample / "Quill.tlb", false},
                                           Library{"stdole2", test::kWineLibraryDir / "stdole2.tlb", true},
                                           Library{"scrrun", test::kWineLibraryDir / "scrrun.dll", true},
                                           Library{"msxml6", test::kWineLibraryDir / "msxml6.dll", true},
                                           Library{"mshtml", test::kWineLibraryDir / "mshtml.tlb", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace arbolith
