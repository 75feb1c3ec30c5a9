// SPDX-License-Identifier: MIT
// The report window's speed where a user waits for it: from choosing All
// Members on mshtml (thousands of distinct member names) to the window on
// the screen with its list filled. mshtml's DAT file is extracted once into
// a scratch folder; the benchmark is skipped when the library is missing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include "extract/extraction.h"
#include "platform/progress.h"
#include "reports/report_window.h"
#include "support/temp_dir.h"

using namespace arbolith;

namespace {

const std::filesystem::path kMshtml = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.tlb";

// mshtml.DAT in a scratch folder; empty when the library is missing.
const std::filesystem::path& MshtmlDat()
{
    static test::TempDir scratch;
    static const std::filesystem::path dat = []() -> std::filesystem::path {
        if (!std::filesystem::exists(kMshtml)) return {};
        ExtractOptions options;
        options.modelsFolder = scratch.path();
        options.errorLog = scratch / "errorlog.txt";
        std::string resource = "1";
        SilentProgress progress;
        ScriptedPrompt prompt;
        if (!ExtractFromTypeLib(kMshtml.string(), resource, options, progress, prompt).ok) return {};
        return scratch / "mshtml.DAT";
    }();
    return dat;
}

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
