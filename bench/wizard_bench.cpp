// SPDX-License-Identifier: MIT
// The wizard window's speed where a user waits for it: opening the window;
// making mshtml's DAT file from the window, against the same extraction
// called directly, and without the window; loading that DAT file into every
// list of the tabs; and how long the window's event loop waits while a
// search of /usr runs behind it. The DAT file is extracted once into a scratch folder;
// those benchmarks are skipped when the library is not installed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

#include "bench_support.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "support/temp_dir.h"
#include "wizard/wizard_window.h"

using namespace arbolith;

namespace {

using bench::kMshtml;
using bench::Scratch;

// The models folder holding mshtml.DAT; empty when the library is missing.
std::filesystem::path MshtmlModels()
{
    return bench::MshtmlDat().empty() ? std::filesystem::path() : bench::MshtmlDat().parent_path();
}

class NoHost : public WizardHost {
public:
    bool ShowModel(const std::string&) override { return false; }
    std::set<std::int64_t> TreeObjectKeys() const override { return {}; }
    std::string CurrentModelKey() const override { return {}; }
    void ClearModel() override {}
};

WizardPlaces Places(const std::filesystem::path& models)
{
    return WizardPlaces{models, Scratch() / "Backup", Scratch() / "ZV.INI", Scratch() / "errorlog.txt", {}, true};
}

void BM_OpenWizard(benchmark::State& state)
{
    ScriptedPrompt prompt;
    NoHost host;
    for (auto _ : state) {
        frmWizard wizard(Places(Scratch() / "Empty"), prompt, host, {});
        wizard.show();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_OpenWizard)->Unit(benchmark::kMillisecond);

// From the click on Load Data File until every list is filled and painted.
void BM_LoadMshtmlDataFile(benchmark::State& state)
{
    const auto& models = MshtmlModels();
    if (models.empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    ScriptedPrompt prompt;
    NoHost host;
    frmWizard wizard(Places(models), prompt, host, {});
    wizard.show();
    const auto& ui = wizard.Controls();
    ui.optAction[2]->click();
    const auto found = ui.lstDatFiles->findItems("mshtml", Qt::MatchExactly);
    if (found.isEmpty()) {
        state.SkipWithError("mshtml.DAT is not listed");
        return;
    }
    ui.lstDatFiles->setCurrentItem(found.front());
    emit ui.lstDatFiles->itemClicked(found.front());
    for (auto _ : state) {
        ui.cmdMakeDat->click();
        wizard.WaitUntilIdle();
        QApplication::processEvents();
    }
    state.counters["objects"] = ui.lvInModel->topLevelItemCount();
    ui.tabWizard->setCurrentIndex(7);  // the return types are listed when their tab is shown
    state.counters["return_types"] = ui.lvReturnTypeObj->topLevelItemCount();
}
BENCHMARK(BM_LoadMshtmlDataFile)->Unit(benchmark::kMillisecond);

// Make Data File of mshtml from the window, from the click until the DAT
// file is made and the lists are shown, against the same extraction called
// directly (what `arbolith-cli extract` runs); the two alternate, so a
// machine that slows down or speeds up meets both alike.
void BM_MakeMshtmlDataFileWindowAgainstDirect(benchmark::State& state)
{
    if (!std::filesystem::exists(kMshtml)) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    const auto made = Scratch() / "Made", direct = Scratch() / "Direct";
    std::filesystem::create_directories(made);
    ScriptedPrompt prompt;
    NoHost host;
    frmWizard wizard(Places(made), prompt, host, {});
    wizard.show();
    const auto& ui = wizard.Controls();
    ui.txtLibrary->setText(QString::fromStdString(kMshtml.string()));
    emit ui.txtLibrary->returnPressed();
    double windowMs = 0, directMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        ui.cmdMakeDat->click();
        wizard.WaitUntilIdle();
        QApplication::processEvents();
        windowMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;

        clock.restart();
        if (!bench::ExtractInto(kMshtml, direct)) state.SkipWithError("mshtml.tlb did not extract");
        directMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["window_ms"] = windowMs / runs;
    state.counters["direct_ms"] = directMs / runs;
    state.counters["ratio"] = windowMs / directMs;
}
BENCHMARK(BM_MakeMshtmlDataFileWindowAgainstDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

// The longest wait of the window's event loop while the search runs: a
// timer asks to run every millisecond and the gaps between its runs are
// measured.
void BM_EventLoopLatencyDuringSearchOfUsr(benchmark::State& state)
{
    // The home root is the one to point elsewhere: "/" would search the
    // whole machine, the benchmark searches /usr.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/usr");
    ScriptedPrompt prompt;
    NoHost host;
    frmWizard wizard(Places(Scratch() / "Empty"), prompt, host, {});
    qputenv("HOME", home);
    wizard.show();
    const auto& ui = wizard.Controls();
    ui.optAction[1]->click();
    const int root = ui.drvSearch->findData(QStringLiteral("/usr"));
    if (root < 0) {
        state.SkipWithError("no root for /usr");
        return;
    }
    ui.drvSearch->setCurrentIndex(root);
    qint64 worst = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] { worst = std::max(worst, clock.restart()); });
        ui.cmdSearch->click();
        clock.start();
        tick.start();
        while (wizard.IsSearching()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tick.stop();
    }
    state.counters["worst_wait_ms"] = static_cast<double>(worst);
    state.counters["found"] = ui.lvLibrarySearch->topLevelItemCount();
}
BENCHMARK(BM_EventLoopLatencyDuringSearchOfUsr)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same without the window: the session's part (extraction and reading
// the lists back), so the window's own share shows.
void BM_MakeMshtmlDataFileWithoutWindow(benchmark::State& state)
{
    const auto models = Scratch() / "Sess";
    std::filesystem::create_directories(models);
    ScriptedPrompt prompt;
    NoHost host;
    WizardSession session(Places(models), prompt, host);
    session.libraryText = kMshtml.string();
    session.PreProcessLibrary();
    SilentProgress progress;
    for (auto _ : state) session.MakeOrLoadDataFile(progress);
}
BENCHMARK(BM_MakeMshtmlDataFileWithoutWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
