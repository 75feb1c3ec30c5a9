// SPDX-License-Identifier: MIT
#include "cli/cli_commands.h"

#include "cli/cli_dump_json.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "extract/extraction.h"
#include "platform/text_encoding.h"
#include "typelib/typelib.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"
#include "wizard/close_names.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arbolith::cli {
namespace {

// The dump escapes the texts it prints but lets some control characters
// through; each of its lines is made printable on its own.
void WritePrintableLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        AppendPrintable(out, text.substr(start, end - start));
        out += '\n';
        start = end + 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The failure of a step, once: its own words, else the first message it
// gave, and where its log lines went.
std::string FailureText(std::string_view failure, const StderrPrompt& prompt, const LogWatch& log)
{
    std::string text(failure);
    if (text.empty()) text = prompt.held.empty() ? "failed" : prompt.held.front();
    return text + log.Note();
}

// "no object named X in the library; did you mean A, B? (...)".
Error UnknownTopObject(std::string_view wanted, const std::vector<std::string>& names)
{
    std::string text = "no object named " + std::string(wanted) + " in the library";
    const std::vector<std::string> close = CloseNames(wanted, names);
    if (close.empty()) {
        text += "; no name is close (--custom-top makes a new top object of that name)";
    } else {
        text += "; did you mean ";
        for (std::size_t i = 0; i < close.size(); ++i) text += (i ? ", " : "") + close[i];
        text += "? (--custom-top makes a new top object of that name)";
    }
    return Error::Model(text);
}

// "LIBRARY: text", unless the text begins with the library's path already.
std::string AboutLibrary(const std::string& library, const std::string& text)
{
    const std::string path = SplitResourcePath(library).path;
    return text.starts_with(path) ? text : library + ": " + text;
}

}  // namespace

int DumpCommand(const DumpOptions& options)
{
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    const LoadOptions load = RegistryLoadOptions();
    int status = 0;
    JsonWriter json;
    std::vector<std::pair<std::string, std::string>> failures;
    if (options.json) json = BeginJsonDocument("dump");
    if (options.json) json.Key("libraries").BeginArray();
    for (const std::string& library : options.libraries) {
        auto lib = LoadTypeLib(library, load);
        if (!lib) {
            Complain(lib.error().description);
            failures.emplace_back(library, lib.error().description);
            status = 1;
            continue;
        }
        if (options.json)
            WriteTypeLibJson(json, *lib, library);
        else
            WritePrintableLines(DumpTypeLib(*lib));
    }
    if (!options.json) return status;
    json.EndArray();
    json.Key("failures").BeginArray();
    for (const auto& [library, reason] : failures)
        json.BeginObject().Field("file", library).Field("error", reason).EndObject();
    json.EndArray();
    return FinishJsonDocument(json, status);
}

int ExtractCommand(const ExtractOptionsGiven& given)
{
    const auto folders = PrepareCliFolders(given.modelsFolder);
    if (!folders) return 1;
    ExtractOptions options;
    options.inclInterfaces = given.interfaces;
    options.inclModules = given.modules;
    options.modelsFolder = folders->modelsFolder;
    options.errorLog = folders->errorLog;
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    options.load = RegistryLoadOptions();

    StderrProgress progress;
    StderrPrompt prompt;
    prompt.holdFailures = true;
    int status = 0;
    for (const std::string& library : given.libraries) {
        const LibraryLocation where = SplitResourcePath(library);
        std::string resource = where.resource == 0 ? "1" : std::to_string(where.resource);
        PrintLine(stderr, library);
        prompt.held.clear();
        const LogWatch log(folders->errorLog);
        const ExtractionResult result = ExtractFromTypeLib(where.path, resource, options, progress, prompt);
        if (!result.ok) {
            Complain(AboutLibrary(library, FailureText(result.failure, prompt, log)));
            status = 1;
            continue;
        }
        if (log.Grew() || result.errorsLogged)
            Complain("warning: " + library + ": extracted, with errors logged in " + log.File().string());
        const ExtractionCounters& n = result.counters;
        char counts[200];
        std::snprintf(counts, sizeof counts,
                      ": %" PRId64 " objects, %" PRId64 " members, %" PRId64 " coclasses, %" PRId64 " enums, %" PRId64
                      " edges, %" PRId64 " ms",
                      n.objects, n.members, n.coclasses, n.enums, result.edges, result.milliseconds);
        PrintLine(stdout, library + counts);
    }
    return status;
}

int MakeCommand(MakeOptions options)
{
    ModelRequest& request = options.request;
    const auto folders = PrepareCliFolders(options.modelsFolder);
    if (!folders) return 1;
    ModelPlaces places;
    places.modelsFolder = folders->modelsFolder;
    places.errorLog = folders->errorLog;
    places.load = RegistryLoadOptions();
    places.compact = ReadCliSettings(*folders).compactDat;

    const std::string wanted = Trim(request.topObject);
    if (!wanted.empty() && !request.customTop) {
        request.beforeMaking = [wanted](const std::filesystem::path& datFile, const InfData&) -> Result<void> {
            auto names = LibraryObjectNames(datFile);
            if (!names) return names.error();
            const std::string lower = AsciiLower(wanted);
            for (const std::string& name : *names)
                if (AsciiLower(name) == lower) return Ok();
            return UnknownTopObject(wanted, *names);
        };
    }

    StderrProgress progress;
    StderrPrompt prompt;
    prompt.holdFailures = true;
    const LogWatch log(folders->errorLog);
    auto made = MakeModelFromLibrary(request, places, progress, prompt);
    if (!made) {
        Complain(AboutLibrary(request.library, FailureText(made.error().description, prompt, log)));
        return 1;
    }
    if (log.Grew() || made->extraction.errorsLogged)
        Complain("warning: " + request.library + ": made, with errors logged in " + log.File().string());
    const InfData& s = made->settings;
    char numbers[200];
    std::snprintf(numbers, sizeof numbers, " (key %" PRId64 "%s), %" PRId64 " objects, %" PRId64 " edges%s",
                  made->made.topObjectKey, made->made.customTopAdded ? ", added" : "", made->made.objects,
                  made->made.edges, made->extracted ? "" : " (DAT file was current)");
    PrintLine(stdout, request.library + ": model \"" + s.modelName + "\" in " + made->infFile.parent_path().string() +
                          ", top object " + (s.topIsCustom ? s.customTopObject : s.builtInTopObject) + numbers);
    return 0;
}

}  // namespace arbolith::cli
