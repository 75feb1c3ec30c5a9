// SPDX-License-Identifier: MIT
// Parsing a large library in the older SLTG format, and its MSFT twin: 400
// interfaces of 40 methods and 100 enums of 40 constants, 500 types and
// 20,000 members. The MSFT library is built byte by byte; the SLTG one is
// the same library as the tests' writer writes it. Only the parse is timed:
// both are in memory, and imports are not looked for.
#include "typelib/msft_builder.h"
#include "typelib/msft_reader.h"
#include "typelib/sltg_reader.h"
#include "typelib/sltg_writer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace arbolith;

struct Twins {
    std::string msft;
    std::string sltg;
};

const Twins& Libraries()
{
    static const Twins twins = [] {
        test::LibraryBuilder builder("Large", Guid{0x5A1E0000, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}});
        for (int t = 0; t < 400; ++t) {
            std::vector<test::MethodSpec> methods;
            // Member and parameter names repeat from type to type, as in real
            // libraries: SLTG's name table is reached through 16-bit offsets.
            for (int m = 0; m < 40; ++m)
                methods.push_back(
                    test::Method("Method" + std::to_string(m), 0x60020000 + m,
                                 {{"index", 1, {3, 0, std::nullopt}}, {"value", 2, {8, 1, std::nullopt}}}));
            builder.Interface("IType" + std::to_string(t),
                              Guid{0x5A1E0000u + static_cast<std::uint32_t>(t), 1, 2, {3, 4, 5, 6, 7, 8, 9, 11}},
                              std::nullopt, std::move(methods));
        }
        for (int e = 0; e < 100; ++e) {
            std::vector<std::pair<std::string, std::int32_t>> constants;
            for (int c = 0; c < 40; ++c) constants.emplace_back("value" + std::to_string(c), c * 1000 - 7);
            builder.Enum("Enum" + std::to_string(e), std::move(constants));
        }
        Twins made;
        made.msft = builder.Bytes();
        auto lib = MsftReader::Open(ByteView(std::string_view(made.msft)));
        if (lib) made.sltg = test::WriteSltg(*lib);
        return made;
    }();
    return twins;
}

std::size_t Members(const TypeLib& lib)
{
    std::size_t n = 0;
    for (const TypeInfo& type : lib.types) n += type.functions.size() + type.variables.size();
    return n;
}

template <class Reader>
void Parse(benchmark::State& state, const std::string& bytes)
{
    if (bytes.empty()) {
        state.SkipWithError("the twin libraries could not be made");
        return;
    }
    std::size_t members = 0;
    for (auto _ : state) {
        auto lib = Reader::Open(ByteView(std::string_view(bytes)));
        if (!lib) {
            state.SkipWithError(lib.error().what.c_str());
            return;
        }
        members = Members(*lib);
        benchmark::DoNotOptimize(members);
    }
    state.counters["members"] = static_cast<double>(members);
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_ParseSltg(benchmark::State& state)
{
    Parse<SltgReader>(state, Libraries().sltg);
}
BENCHMARK(BM_ParseSltg)->Unit(benchmark::kMillisecond);

void BM_ParseMsftTwin(benchmark::State& state)
{
    Parse<MsftReader>(state, Libraries().msft);
}
BENCHMARK(BM_ParseMsftTwin)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
