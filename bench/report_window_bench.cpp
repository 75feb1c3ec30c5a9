// SPDX-License-Identifier: MIT
// The report window's speed where a user waits for it: from choosing All
// Members on mshtml (thousands of distinct member names) to the window on
// the screen with its list filled. mshtml's DAT file is extracted once into
// a scratch folder; the benchmark is skipped when the library is missing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include "bench_support.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "reports/report_window.h"

using namespace arbolith;

namespace {

using bench::MshtmlDat;

void BM_AllMembersWindow(benchmark::State& state)
{
    const std::filesystem::path& dat = MshtmlDat();
    if (dat.empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    ScriptedPrompt prompt;
    int lines = 0;
    for (auto _ : state) {
        frmReport window(prompt);
        window.SetReport(reports::ReportKind::AllMembers, dat, "mshtml");
        window.show();
        QApplication::processEvents();
        lines = window.lstReport()->count();
        if (!prompt.asked.empty()) state.SkipWithError(prompt.asked.front().text.c_str());
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_AllMembersWindow)->Unit(benchmark::kMillisecond);

}  // namespace
