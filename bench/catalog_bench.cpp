// SPDX-License-Identifier: MIT
// The Open Model dialog over a large Models folder: 500 models, half of
// them with their INF file and half with the DAT file alone (whose library
// description is read from the DAT file), from the menu choice to the
// filled tree. Once with the models' key known, as after the main window
// opened a model, and once as the first model-file read of the process.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include "bench_support.h"
#include "catalog/open_model_window.h"
#include "platform/database.h"
#include "store/dat_schema.h"

using namespace arbolith;

namespace {

constexpr int kModels = 500;

struct NoHost : OpenModelHost {
    std::string CurrentModelKey() const override { return {}; }
    void ClearModel() override {}
};

const std::filesystem::path& ModelsFolder()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path models = bench::Scratch() / "catalog-models";
        std::filesystem::create_directories(models);
        // Every model's DAT file is a full one (all tables), as extraction makes them.
        const std::filesystem::path first = models / "Model000.DAT";
        {
            auto db = CreateDatFile(first);
            if (!db || !CreateDataTables(*db) ||
                !db->Execute("INSERT INTO Library (Library) VALUES ('A type library of the bench')"))
                return std::filesystem::path();
        }
        for (int i = 0; i < kModels; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "Model%03d", i);
            if (i > 0) std::filesystem::copy_file(first, models / (std::string(name) + ".DAT"));
            if (i % 2 == 0)
                test::WriteBytes(models / (std::string(name) + ".INF"),
                                 std::string("[Main]\nModelName=") + name + "\nLibrary=" + name +
                                     ".olb\nCategory=Category " + std::to_string(i % 7) + "\n");
        }
        return models;
    }();
    return folder;
}

void FillDialog(benchmark::State& state, bool forgetKeys)
{
    if (ModelsFolder().empty()) {
        state.SkipWithError("cannot make the models");
        return;
    }
    ScriptedPrompt prompt;
    NoHost host;
    int models = 0;
    std::uint64_t derivations = 0;
    for (auto _ : state) {
        if (forgetKeys) {
            state.PauseTiming();
            ForgetDatabaseKeys();
            state.ResumeTiming();
        }
        const auto before = DatabaseKeyDerivations();
        frmOpenModel dialog(ModelsFolder(), prompt, host, ScreenPixels{1920, 1080}, false);
        dialog.show();
        QApplication::processEvents();
        derivations = DatabaseKeyDerivations() - before;
        models = static_cast<int>(dialog.Catalog().models.size());
    }
    state.counters["models"] = models;
    state.counters["key derivations"] = static_cast<double>(derivations);
}

void BM_OpenModelDialog(benchmark::State& state)
{
    FillDialog(state, false);
}
BENCHMARK(BM_OpenModelDialog)->Unit(benchmark::kMillisecond);

void BM_OpenModelDialogFirstRead(benchmark::State& state)
{
    FillDialog(state, true);
}
BENCHMARK(BM_OpenModelDialogFirstRead)->Unit(benchmark::kMillisecond);

}  // namespace
