// SPDX-License-Identifier: MIT
// The wizard window's speed where a user waits for it: opening the window,
// and loading mshtml's DAT file (about 1,500 objects, 22,000 members in the
// return-type list) into every list of the tabs. The DAT file is extracted
// once into a scratch folder; those benchmarks are skipped when the library
// is not installed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "extract/extraction.h"
#include "platform/progress.h"
#include "support/temp_dir.h"
#include "wizard/wizard_window.h"

using namespace arbolith;

namespace {

const std::filesystem::path kMshtml = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.tlb";

test::TempDir& Scratch()
{
    static test::TempDir dir;
    return dir;
}

// The models folder holding mshtml.DAT; empty when the library is missing.
const std::filesystem::path& MshtmlModels()
{
    static const std::filesystem::path folder = []() -> std::filesystem::path {
        if (!std::filesystem::exists(kMshtml)) return {};
        const auto models = Scratch() / "Models";
        std::filesystem::create_directories(models);
        ExtractOptions options;
        options.modelsFolder = models;
        options.errorLog = models / "errorlog.txt";
        std::string resource = "1";
        SilentProgress progress;
        ScriptedPrompt prompt;
        if (!ExtractFromTypeLib(kMshtml.string(), resource, options, progress, prompt).ok) return {};
        return models;
    }();
    return folder;
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
    state.counters["return_types"] = ui.lvReturnTypeObj->topLevelItemCount();
}
BENCHMARK(BM_LoadMshtmlDataFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
