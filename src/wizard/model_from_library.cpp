// SPDX-License-Identifier: MIT
#include "wizard/model_from_library.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"
#include "typelib/typelib_loader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <system_error>
#include <utility>

namespace arbolith {
namespace {

// A DAT file is current when it was extracted from a file of this name,
// size and modification time, with the same resource and the same inclusion
// options, and has every table.
bool IsCurrent(const std::filesystem::path& datFile, const std::string& library, const std::string& resource,
               bool interfaces, bool modules)
{
    struct stat info {};
    std::error_code ec;
    if (::stat(library.c_str(), &info) != 0 || !std::filesystem::exists(datFile, ec)) return false;
    const std::optional<std::string> date = LibraryFileDate(info.st_mtime);
    if (!date) return false;
    auto db = OpenDatFile(datFile, true);
    if (!db) return false;
    auto row = FindFirst(*db, kLibraryTable, "Resource", Value(resource));
    if (!row || !*row) return false;
    const Row& r = **row;
    if (!EqualsNoCase(r["Library"].AsText(), GetFileNamePart(library)) ||
        r["LibSize"].AsInteger() != static_cast<std::int64_t>(info.st_size) || r["LibDate"].AsText() != *date ||
        r["InclInterfaces"].AsBool() != interfaces || r["InclModules"].AsBool() != modules)
        return false;
    // Every table must be there: a file whose storing failed is made again.
    for (const TableDef& table : DatTables()) {
        auto has = db->HasTable(table.name);
        if (!has || !*has) return false;
    }
    return true;
}

// A hidden folder inside the models folder for a fresh extraction, removed
// with whatever is left in it.
class ScratchFolder {
public:
    static Result<ScratchFolder> Create(const std::filesystem::path& parent)
    {
        std::string pattern = (parent / ".extracting-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            const int error = errno;
            return Error::FileSystem(error, "cannot create a scratch folder in " + parent.string() + ": " +
                                                std::system_category().message(error));
        }
        return ScratchFolder(pattern);
    }
    ScratchFolder(ScratchFolder&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}
    ScratchFolder& operator=(ScratchFolder&&) = delete;
    ~ScratchFolder()
    {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    explicit ScratchFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    std::filesystem::path m_path;
};

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

    if (!request.reextract && IsCurrent(out.datFile, where.path, resource, settings.interfaces, settings.modules)) {
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

    // A fresh extraction goes to a scratch folder beside the models and
    // becomes the model's DAT file only when the making succeeded too: a
    // failure anywhere leaves the model's files as they were.
    auto scratch = ScratchFolder::Create(places.modelsFolder);
    if (!scratch) return scratch.error();
    ExtractOptions options;
    options.inclInterfaces = settings.interfaces;
    options.inclModules = settings.modules;
    options.modelsFolder = scratch->path();
    options.errorLog = places.errorLog;
    options.load = places.load;
    out.extraction = ExtractFromTypeLib(where.path, resource, options, progress, prompt);
    if (!out.extraction.ok)
        return Error::Model(out.extraction.failure.empty() ? "no library named" : out.extraction.failure);
    out.extracted = true;
    if (request.beforeMaking) {
        if (auto checked = request.beforeMaking(out.extraction.datFile, settings); !checked) return checked.error();
    }

    progress.Caption("Making model ...");
    progress.Yield();
    auto made = MakeModelFrom(out.extraction.datFile, out.datFile, out.infFile, settings, places.compact);
    if (!made) return made.error();
    out.extraction.datFile = out.datFile;
    out.made = *made;
    return out;
}

}  // namespace arbolith
