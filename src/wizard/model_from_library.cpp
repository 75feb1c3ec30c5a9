// SPDX-License-Identifier: MIT
#include "wizard/model_from_library.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"
#include "typelib/typelib_loader.h"

#include <system_error>

namespace arbolith {
namespace {

// A DAT file is current when it was extracted from a file of this size, with
// the same resource and the same inclusion options.
bool IsCurrent(const std::filesystem::path& datFile, const std::string& library, const std::string& resource,
               bool interfaces, bool modules)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(library, ec);
    if (ec || !std::filesystem::exists(datFile, ec)) return false;
    auto db = OpenDatFile(datFile, true);
    if (!db) return false;
    auto row = FindFirst(*db, kLibraryTable, "Resource", Value(resource));
    if (!row || !*row) return false;
    const Row& r = **row;
    if (r["LibSize"].AsInteger() != static_cast<std::int64_t>(size) || r["InclInterfaces"].AsBool() != interfaces ||
        r["InclModules"].AsBool() != modules)
        return false;
    // Every table must be there: a file whose storing failed is made again.
    for (const TableDef& table : DatTables()) {
        auto has = db->HasTable(table.name);
        if (!has || !*has) return false;
    }
    return true;
}

}  // namespace

Result<MadeFromLibrary> MakeModelFromLibrary(const ModelRequest& request, const ModelPlaces& places,
                                             ProgressSink& progress, Prompt& prompt)
{
    const LibraryLocation where = SplitResourcePath(request.library);
    std::string resource = where.resource == 0 ? "1" : std::to_string(where.resource);
    MadeFromLibrary out;
    out.infFile = GetInfFileName(where.path, places.modelsFolder);
    out.datFile = GetDatFileName(where.path, places.modelsFolder);

    InfData& settings = out.settings;
    std::error_code ec;
    if (std::filesystem::exists(out.infFile, ec)) {
        auto read = GetInfData(out.infFile);
        if (!read) return read.error();
        settings = *read;
    }
    settings.library = GetFileNamePart(where.path);
    settings.resourceNumber = resource;
    if (request.interfaces) settings.interfaces = *request.interfaces;
    if (request.modules) settings.modules = *request.modules;
    if (!Trim(request.topObject).empty()) {
        settings.topIsCustom = request.customTop;
        (request.customTop ? settings.customTopObject : settings.builtInTopObject) = Trim(request.topObject);
    }
    if (Trim(settings.topIsCustom ? settings.customTopObject : settings.builtInTopObject).empty())
        return Error::Model("no top object for the model of " + settings.library +
                            ": name one (the INF file has none)");
    if (request.events) settings.makeEventsObject = *request.events;
    if (request.controls) settings.makeControlsObject = *request.controls;
    if (request.global) settings.globalObject = *request.global;
    if (request.connectToTop) settings.connectToTop = *request.connectToTop;

    if (request.reextract || !IsCurrent(out.datFile, where.path, resource, settings.interfaces, settings.modules)) {
        ExtractOptions options;
        options.inclInterfaces = settings.interfaces;
        options.inclModules = settings.modules;
        options.modelsFolder = places.modelsFolder;
        options.errorLog = places.errorLog;
        options.load = places.load;
        out.extraction = ExtractFromTypeLib(where.path, resource, options, progress, prompt);
        if (!out.extraction.ok)
            return Error::Model(out.extraction.failure.empty() ? "no library named" : out.extraction.failure);
        out.extracted = true;
        out.datFile = out.extraction.datFile;
    }

    if (request.beforeMaking) {
        if (auto checked = request.beforeMaking(out.datFile, settings); !checked) return checked.error();
    }
    progress.Caption("Making model ...");
    progress.Yield();
    auto made = MakeModel(out.datFile, out.infFile, settings, places.compact);
    if (!made) return made.error();
    out.made = *made;
    return out;
}

}  // namespace arbolith
