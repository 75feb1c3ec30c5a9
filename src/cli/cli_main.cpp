// SPDX-License-Identifier: MIT
// arbolith-cli: Arbolith without windows, for scripts, CI and large batches.
//   arbolith-cli dump LIBRARY[\N]   print what the type-library reader sees
//   arbolith-cli extract LIBRARY[\N]... [--interfaces] [--modules] [--models DIR]
//                                    make the libraries' DAT files
//   arbolith-cli make LIBRARY[\N] --top NAME [options]
//                                    make a browsable model of a library
//   arbolith-cli tree MODEL [--depth N]  print a model's object tree
#include "app/folders.h"
#include "app/settings.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "store/inf_file.h"
#include "typelib/typelib.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"
#include "wizard/model_from_library.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: arbolith-cli dump LIBRARY[\\N]\n"
    "       arbolith-cli extract LIBRARY[\\N]... [--interfaces] [--modules] [--models DIR]\n"
    "       arbolith-cli make LIBRARY[\\N] [--top NAME [--custom-top]] [--events] [--controls] [--global]\n"
    "                         [--connect A|B...] [--interfaces] [--modules] [--reextract] [--models DIR]\n"
    "       arbolith-cli tree MODEL [--depth N] [--models DIR]\n"
    "  dump      print a type library as the reader sees it; \\N selects TYPELIB resource N\n"
    "  extract   make each library's DAT file in the models folder (or DIR);\n"
    "            --interfaces and --modules extract those types as objects too\n"
    "  make      extract the library (unless its DAT file is current or --reextract),\n"
    "            take the model's settings from its INF file when there is one, let\n"
    "            the options given override them, save them and make the model;\n"
    "            --top names the top object (--custom-top: a new object of that name),\n"
    "            --connect the objects hung under a custom top object\n"
    "  tree      print a model's object tree (MODEL: a model key or a library path)\n";

int Dump(int count, char** libraries)
{
    if (count == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    const arbolith::LoadOptions options = arbolith::RegistryLoadOptions();
    int status = 0;
    for (int i = 0; i < count; ++i) {
        auto lib = arbolith::LoadTypeLib(libraries[i], options);
        if (!lib) {
            std::fprintf(stderr, "arbolith-cli: %s\n", lib.error().description.c_str());
            status = 1;
            continue;
        }
        const std::string text = arbolith::DumpTypeLib(*lib);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return status;
}

int Extract(int count, char** args)
{
    arbolith::ExtractOptions options;
    std::vector<std::string> libraries;
    std::filesystem::path modelsFolder;
    for (int i = 0; i < count; ++i) {
        const std::string_view arg = args[i];
        if (arg == "--interfaces") {
            options.inclInterfaces = true;
        } else if (arg == "--modules") {
            options.inclModules = true;
        } else if (arg == "--models") {
            if (i + 1 == count) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            modelsFolder = args[++i];
        } else if (arg.starts_with("--")) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            libraries.emplace_back(arg);
        }
    }
    if (libraries.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const auto folders = arbolith::PrepareCliFolders(modelsFolder);
    if (!folders) return 1;
    options.modelsFolder = folders->modelsFolder;
    options.errorLog = folders->errorLog;
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    options.load = arbolith::RegistryLoadOptions();

    arbolith::StderrProgress progress;
    arbolith::StderrPrompt prompt;
    int status = 0;
    for (const std::string& library : libraries) {
        const arbolith::LibraryLocation where = arbolith::SplitResourcePath(library);
        std::string resource = where.resource == 0 ? "1" : std::to_string(where.resource);
        std::fprintf(stderr, "%s\n", library.c_str());
        const arbolith::ExtractionResult result =
            arbolith::ExtractFromTypeLib(where.path, resource, options, progress, prompt);
        if (!result.ok) {
            std::fprintf(stderr, "arbolith-cli: %s: %s\n", library.c_str(), result.failure.c_str());
            status = 1;
            continue;
        }
        const arbolith::ExtractionCounters& n = result.counters;
        std::printf("%s: %" PRId64 " objects, %" PRId64 " members, %" PRId64 " coclasses, %" PRId64 " enums, %" PRId64
                    " edges, %" PRId64 " ms\n",
                    library.c_str(), n.objects, n.members, n.coclasses, n.enums, result.edges, result.milliseconds);
    }
    return status;
}

int Make(int count, char** args)
{
    arbolith::ModelRequest request;
    std::filesystem::path modelsFolder;
    // Options that take a value; the value must follow.
    const auto value = [&](int& i) -> const char* { return i + 1 < count ? args[++i] : nullptr; };
    for (int i = 0; i < count; ++i) {
        const std::string_view arg = args[i];
        const char* given = nullptr;
        if (arg == "--top" && (given = value(i))) {
            request.topObject = given;
        } else if (arg == "--connect" && (given = value(i))) {
            request.connectToTop = arbolith::SplitInfFields(given);
        } else if (arg == "--models" && (given = value(i))) {
            modelsFolder = given;
        } else if (arg == "--custom-top") {
            request.customTop = true;
        } else if (arg == "--events") {
            request.events = true;
        } else if (arg == "--controls") {
            request.controls = true;
        } else if (arg == "--global") {
            request.global = true;
        } else if (arg == "--interfaces") {
            request.interfaces = true;
        } else if (arg == "--modules") {
            request.modules = true;
        } else if (arg == "--reextract") {
            request.reextract = true;
        } else if (!arg.starts_with("--") && request.library.empty()) {
            request.library = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (request.library.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const auto folders = arbolith::PrepareCliFolders(modelsFolder);
    if (!folders) return 1;
    arbolith::ModelPlaces places;
    places.modelsFolder = folders->modelsFolder;
    places.errorLog = folders->errorLog;
    places.load = arbolith::RegistryLoadOptions();
    places.compact = arbolith::ReadSettings(folders->settingsFile, {}).compactDat;

    arbolith::StderrProgress progress;
    arbolith::StderrPrompt prompt;
    auto made = arbolith::MakeModelFromLibrary(request, places, progress, prompt);
    if (!made) {
        std::fprintf(stderr, "arbolith-cli: %s: %s\n", request.library.c_str(), made.error().description.c_str());
        return 1;
    }
    const arbolith::InfData& s = made->settings;
    std::printf("%s: model \"%s\" in %s, top object %s (key %" PRId64 "%s), %" PRId64 " objects, %" PRId64 " edges%s\n",
                request.library.c_str(), s.modelName.c_str(), made->infFile.parent_path().c_str(),
                (s.topIsCustom ? s.customTopObject : s.builtInTopObject).c_str(), made->made.topObjectKey,
                made->made.customTopAdded ? ", added" : "", made->made.objects, made->made.edges,
                made->extracted ? "" : " (DAT file was current)");
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "dump") return Dump(argc - 2, argv + 2);
    if (command == "extract") return Extract(argc - 2, argv + 2);
    if (command == "make") return Make(argc - 2, argv + 2);
    if (command == "tree") return TreeCommand(argc - 2, argv + 2);
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
