// SPDX-License-Identifier: MIT
// Resolving and reading the two sides of a comparison.
#include "diff/diff_inputs.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "typelib/typelib_loader.h"

#include <cerrno>
#include <system_error>

namespace arbolith::diff {

namespace {

bool IsDatPath(const std::string& text)
{
    return AsciiLower(text).ends_with(".dat");
}

bool IsFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

Result<ModelFacts> ReadSide(const DiffInput& input, const LibraryReading& reading, ProgressSink& progress)
{
    if (input.kind == DiffInput::Kind::ModelFile) {
        progress.Caption("Reading " + input.path + " ...");
        progress.Yield();
        return ReadModelFile(input.path);
    }
    return ReadLibraryModel(input.path, reading, progress);
}

}  // namespace

bool NeedsModelsFolder(const std::string& text)
{
    return !IsDatPath(text) && !IsFile(SplitResourcePath(text).path);
}

Result<DiffInput> ResolveDiffInput(const std::string& text, const std::filesystem::path& modelsFolder)
{
    if (text.empty()) return Error::Model("no library or model named (an empty name)");
    if (IsDatPath(text)) {
        if (!IsFile(text)) return Error::FileSystem(ENOENT, "no model file " + text);
        return DiffInput{DiffInput::Kind::ModelFile, text};
    }
    if (IsFile(SplitResourcePath(text).path)) return DiffInput{DiffInput::Kind::Library, text};
    if (text.find('/') == std::string::npos && !modelsFolder.empty()) {
        const std::filesystem::path dat = GetDatFileName(text, modelsFolder);
        if (IsFile(dat)) return DiffInput{DiffInput::Kind::ModelFile, dat.string()};
    }
    std::string message = text + " is neither a library file nor a model";
    if (!modelsFolder.empty()) message += " of " + modelsFolder.string();
    return Error::FileSystem(ENOENT, message);
}

Result<DiffOutcome> RunDiff(const DiffRequest& request, ProgressSink& progress)
{
    auto before = ResolveDiffInput(request.before, request.modelsFolder);
    if (!before) return before.error();
    auto after = ResolveDiffInput(request.after, request.modelsFolder);
    if (!after) return after.error();

    // Models first: a library compared with a model is read the way that
    // model was made, so the two differ only where their contents do.
    DiffOutcome outcome;
    const DiffInput* inputs[] = {&*before, &*after};
    ModelFacts* sides[] = {&outcome.before, &outcome.after};
    std::optional<LibraryReading> fromModel;
    for (int i = 0; i < 2; ++i) {
        if (inputs[i]->kind != DiffInput::Kind::ModelFile) continue;
        auto read = ReadSide(*inputs[i], {}, progress);
        if (!read) return read.error();
        *sides[i] = std::move(*read);
        if (!fromModel) fromModel = LibraryReading{sides[i]->inclInterfaces, sides[i]->inclModules, {}};
    }
    LibraryReading reading = fromModel.value_or(LibraryReading{});
    if (request.inclInterfaces) reading.inclInterfaces = *request.inclInterfaces;
    if (request.inclModules) reading.inclModules = *request.inclModules;
    reading.load = request.load;
    for (int i = 0; i < 2; ++i) {
        if (inputs[i]->kind != DiffInput::Kind::Library) continue;
        auto read = ReadSide(*inputs[i], reading, progress);
        if (!read) return read.error();
        *sides[i] = std::move(*read);
    }
    // A library holds none of the objects a model's maker adds: between a
    // library and a model they are no difference.
    if (before->kind != after->kind)
        DropCustomRows(before->kind == DiffInput::Kind::ModelFile ? outcome.before : outcome.after);
    progress.Caption("Comparing ...");
    progress.Yield();
    outcome.diff = CompareModels(outcome.before, outcome.after);
    return outcome;
}

}  // namespace arbolith::diff
