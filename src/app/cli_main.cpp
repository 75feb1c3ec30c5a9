// SPDX-License-Identifier: MIT
// arbolith-cli: Arbolith without windows, for scripts, CI and large batches.
//   arbolith-cli dump LIBRARY[\N]   print what the type-library reader sees
//   arbolith-cli extract LIBRARY[\N]... [--interfaces] [--modules] [--models DIR]
//                                    make the libraries' DAT files
#include "app/cli_tree.h"
#include "app/folders.h"
#include "extract/extraction.h"
#include "extract/typelib_dump.h"
#include "extract/typelib_loader.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/typelib.h"

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
    "       arbolith-cli tree MODEL [--depth N] [--models DIR]\n"
    "  dump      print a type library as the reader sees it; \\N selects TYPELIB resource N\n"
    "  extract   make each library's DAT file in the models folder (or DIR);\n"
    "            --interfaces and --modules extract those types as objects too\n"
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

// Captions go to stderr as progress lines.
class StderrProgress : public arbolith::ProgressSink {
public:
    void Caption(std::string_view text) override
    {
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(text.size()), text.data());
    }
};

// Message boxes become lines on stderr; every question takes its default answer.
class StderrPrompt : public arbolith::Prompt {
public:
    arbolith::PromptAnswer Ask(const arbolith::PromptMessage& message) override
    {
        std::fprintf(stderr, "%s%s\n", IconLabel(message.icon), message.text.c_str());
        return message.defaultAnswer;
    }
    std::optional<std::string> Input(const std::string& text, const std::string&,
                                     const std::string& defaultText) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return defaultText;
    }

private:
    static const char* IconLabel(arbolith::PromptIcon icon)
    {
        switch (icon) {
        case arbolith::PromptIcon::Critical:
            return "error: ";
        case arbolith::PromptIcon::Exclamation:
            return "warning: ";
        case arbolith::PromptIcon::Information:
            return "note: ";
        case arbolith::PromptIcon::Question:
        case arbolith::PromptIcon::None:
            break;
        }
        return "";
    }
};

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

    auto appFolder = arbolith::DetermineAppFolder();
    if (!appFolder) {
        std::fprintf(stderr, "arbolith-cli: %s\n", appFolder.error().description.c_str());
        return 1;
    }
    const arbolith::AppFolders folders = arbolith::MakeAppFolders(*appFolder);
    if (auto made = arbolith::EnsureAppFolders(folders); !made) {
        std::fprintf(stderr, "arbolith-cli: %s\n", made.error().description.c_str());
        return 1;
    }
    if (modelsFolder.empty()) {
        modelsFolder = folders.modelsFolder;
    } else {
        std::error_code ec;
        std::filesystem::create_directories(modelsFolder, ec);
        if (ec) {
            std::fprintf(stderr, "arbolith-cli: cannot create %s: %s\n", modelsFolder.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }
    options.modelsFolder = modelsFolder;
    options.errorLog = folders.errorLog;
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    options.load = arbolith::RegistryLoadOptions();

    StderrProgress progress;
    StderrPrompt prompt;
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
        std::printf("%s: %" PRId64 " objects, %" PRId64 " members, %" PRId64 " coclasses, %" PRId64
                    " enums, %" PRId64 " edges, %" PRId64 " ms\n",
                    library.c_str(), n.objects, n.members, n.coclasses, n.enums, result.edges,
                    result.milliseconds);
    }
    return status;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "dump")
        return Dump(argc - 2, argv + 2);
    if (command == "extract")
        return Extract(argc - 2, argv + 2);
    if (command == "tree")
        return TreeCommand(argc - 2, argv + 2);
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
