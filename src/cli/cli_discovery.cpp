// SPDX-License-Identifier: MIT
#include "cli/cli_discovery.h"

#include "cli/cli_output.h"
#include "wizard/library_discovery.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace arbolith::cli {

int LibrariesCommand(const LibrariesOptions& options)
{
    const std::vector<std::filesystem::path> prefixes =
        options.prefixes.empty() ? FindWinePrefixes() : options.prefixes;
    const RegistryListing listing = ReadRegistry(prefixes);
    if (options.json) {
        JsonWriter json = BeginJsonDocument("libraries");
        json.Key("libraries").BeginArray();
        for (const RegistryLibrary& lib : listing.libraries)
            json.BeginObject()
                .Field("description", lib.description)
                .Field("version", lib.version)
                .Field("path", lib.path)
                .Field("resource", std::int64_t{lib.resource})
                .Field("fileExists", lib.fileExists)
                .Field("guid", lib.guid)
                .Field("prefix", lib.prefix.string())
                .Field("win64", lib.win64)
                .EndObject();
        json.EndArray();
        if (!listing.note.empty()) Complain(listing.note);
        return FinishJsonDocument(json);
    }
    std::string out;
    for (const RegistryLibrary& lib : listing.libraries) {
        // Each field on its own, so that a tab inside one is escaped and the
        // columns stay four.
        AppendPrintable(out, lib.description);
        out += '\t';
        AppendPrintable(out, lib.version);
        out += '\t';
        AppendPrintable(out, lib.path);
        out += '\t';
        out += std::to_string(lib.resource);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (!listing.note.empty()) Complain(listing.note);
    return 0;
}

int SearchCommand(const SearchOptions& options)
{
    std::error_code ec;
    const auto status = std::filesystem::status(options.root, ec);
    if (!std::filesystem::exists(status)) {
        Complain(options.root.string() + ": no such folder");
        return 1;
    }
    if (!std::filesystem::is_directory(status)) {
        Complain(options.root.string() + ": not a folder");
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    const SearchOutcome outcome = FindLibraries(options.root, options.hidden);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (outcome.foldersVisited == 0) {
        Complain(options.root.string() + ": the folder cannot be read");
        return 1;
    }
    std::string out;
    for (const FoundLibrary& found : outcome.found) {
        AppendPrintable(out, found.folder);
        AppendPrintable(out, found.fileName);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    PrintLine(stderr, std::to_string(outcome.foldersVisited) + " folders searched, " +
                          std::to_string(outcome.found.size()) + " libraries found, " + std::to_string(ms) + " ms");
    return 0;
}

}  // namespace arbolith::cli
