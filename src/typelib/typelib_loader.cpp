// SPDX-License-Identifier: MIT
// Files are mapped, not read: a folder scan for an imported library touches
// only the headers of each candidate. Libraries loaded to resolve imports are
// kept for the life of the process, keyed by path, behind one mutex; the
// mutex is never held while a library is parsed, so nested imports cannot
// deadlock (two threads may parse the same file once each; one copy is kept).
// Each cached library and scanned file remembers the size and modification
// time it was read at: a file rewritten since is read again, and a folder
// whose listing changed is scanned again.
#include "typelib/typelib_loader.h"

#include "platform/paths.h"
#include "platform/wine_registry.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "typelib/byte_reader.h"
#include "typelib/msft_layout.h"
#include "typelib/msft_reader.h"
#include "typelib/pe_resources.h"
#include "typelib/sltg_reader.h"

namespace arbolith {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxImportDepth = 8;  // library imports library imports ...

// What tells a rewritten file from the one read before.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return StampOf(st);
}

class MappedFile {
public:
    static Result<MappedFile> Open(const std::string& path)
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Error::FileSystem(errno, path + ": cannot open: " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return Error::FileSystem(EINVAL, path + ": not a regular file");
        }
        MappedFile f;
        f.m_stamp = StampOf(st);
        f.m_size = static_cast<std::size_t>(st.st_size);
        if (f.m_size > 0) {
            void* p = ::mmap(nullptr, f.m_size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (p == MAP_FAILED) {
                int e = errno;
                ::close(fd);
                return Error::FileSystem(e, path + ": cannot map: " + std::strerror(e));
            }
            f.m_data = static_cast<const std::uint8_t*>(p);
        }
        ::close(fd);
        return f;
    }
    MappedFile() = default;
    MappedFile(MappedFile&& o) noexcept
        : m_data(std::exchange(o.m_data, nullptr)), m_size(std::exchange(o.m_size, 0)), m_stamp(o.m_stamp)
    {
    }
    MappedFile& operator=(MappedFile&& o) noexcept
    {
        std::swap(m_data, o.m_data);
        std::swap(m_size, o.m_size);
        std::swap(m_stamp, o.m_stamp);
        return *this;
    }
    ~MappedFile()
    {
        if (m_data) ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    ByteView View() const { return ByteView(m_data, m_size); }
    const FileStamp& Stamp() const { return m_stamp; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    FileStamp m_stamp;
};

struct Candidate {
    std::string path;
    std::uint32_t resource = 0;
    MsftReader::Identity id;
    FileStamp stamp;
};

struct FolderScan {
    std::optional<FileStamp> folderStamp;  // of the folder itself when scanned
    bool libraryFilesDone = false;         // *.tlb, *.olb
    bool peFilesDone = false;              // *.dll, *.ocx, *.exe
    std::vector<Candidate> found;
};

struct CachedLibrary {
    FileStamp stamp;
    std::shared_ptr<const TypeLib> library;
};

struct Cache {
    std::mutex mutex;
    std::map<std::string, CachedLibrary> libraries;  // "path\N"
    std::map<std::string, FolderScan> folders;
};

Cache& GlobalCache()
{
    static Cache cache;
    return cache;
}

// GUID and version of the library in `data`, whichever format holds it.
Read<MsftReader::Identity> PeekIdentity(ByteView data)
{
    return data.U32At(0) == msft::SLTG_MAGIC ? SltgReader::PeekIdentity(data) : MsftReader::PeekIdentity(data);
}

// Identities of the libraries inside one file (nothing for other files).
void Identify(const std::string& path, std::vector<Candidate>& out)
{
    auto file = MappedFile::Open(path);
    if (!file) return;
    ByteView view = file->View();
    if (LooksLikePe(view)) {
        auto ids = ListTypeLibResources(view);
        if (!ids) return;
        for (std::uint32_t id : ids.value()) {
            auto data = FindTypeLibResource(view, id);
            if (!data) continue;
            auto ident = PeekIdentity(data.value());
            if (ident) out.push_back({path, id, ident.value(), file->Stamp()});
        }
        return;
    }
    auto ident = PeekIdentity(view);
    if (ident) out.push_back({path, 0, ident.value(), file->Stamp()});
}

// Best match in `candidates`: same GUID and major version, the exact minor
// version or else the highest one above it.
const Candidate* BestMatch(const std::vector<Candidate>& candidates, const ImportedLibrary& want)
{
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        if (c.id.guid != want.guid || c.id.major != want.major || c.id.minor < want.minor) continue;
        if (c.id.minor == want.minor) return &c;
        if (!best || c.id.minor > best->id.minor) best = &c;
    }
    return best;
}

std::optional<Candidate> ScanFolder(const std::string& folder, const ImportedLibrary& want,
                                    const std::optional<FileStamp>& folderStamp)
{
    Cache& cache = GlobalCache();
    for (int pass = 0; pass < 2; ++pass) {
        {
            std::lock_guard lock(cache.mutex);
            FolderScan& scan = cache.folders[folder];
            if (scan.folderStamp != folderStamp) {  // files came or went
                scan = FolderScan{};
                scan.folderStamp = folderStamp;
            }
            if (const Candidate* c = BestMatch(scan.found, want)) return *c;
            if ((pass == 0 ? scan.libraryFilesDone : scan.peFilesDone)) continue;
        }
        std::vector<Candidate> found;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (!it->is_regular_file(typeError)) continue;
            const std::string ext = GetExtension(it->path().string(), true);
            const bool wanted =
                pass == 0 ? (ext == "tlb" || ext == "olb") : (ext == "dll" || ext == "ocx" || ext == "exe");
            if (wanted) Identify(it->path().string(), found);
        }
        std::lock_guard lock(cache.mutex);
        FolderScan& scan = cache.folders[folder];
        bool& done = pass == 0 ? scan.libraryFilesDone : scan.peFilesDone;
        if (!done) {
            done = true;
            scan.found.insert(scan.found.end(), found.begin(), found.end());
        }
        if (const Candidate* c = BestMatch(scan.found, want)) return *c;
    }
    return std::nullopt;
}

// The best match for `want` among the libraries in `folder`. A file found in
// an earlier scan but rewritten since makes the folder be scanned again, as
// its identity may have changed with it.
std::optional<Candidate> FindInFolder(const std::string& folder, const ImportedLibrary& want)
{
    const std::optional<FileStamp> folderStamp = StampOf(folder);
    if (!folderStamp) return std::nullopt;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<Candidate> c = ScanFolder(folder, want, folderStamp);
        if (!c || StampOf(c->path) == c->stamp) return c;
        Cache& cache = GlobalCache();
        std::lock_guard lock(cache.mutex);
        cache.folders.erase(folder);
    }
    return std::nullopt;
}

std::string CacheKey(const std::string& path, std::uint32_t resource)
{
    return resource > 1 ? path + "\\" + std::to_string(resource) : path;
}

struct LoadContext {
    const LoadOptions& options;
    std::vector<Guid> inProgress;  // libraries being loaded by this chain: a cycle guard
    int depth = 0;
};

Result<TypeLib> LoadBytes(ByteView whole, const std::string& display, std::uint32_t resource, const std::string& folder,
                          LoadContext& ctx);

Result<TypeLib> LoadPath(const std::string& path, std::uint32_t resource, LoadContext& ctx)
{
    auto file = MappedFile::Open(path);
    if (!file) return file.error();
    std::string folder = fs::path(path).parent_path().string();
    return LoadBytes(file->View(), path, resource, folder, ctx);
}

// The imported library for `want`, loaded once per process.
std::shared_ptr<const TypeLib> ResolveImport(const ImportedLibrary& want, const std::string& folder, LoadContext& ctx)
{
    if (!ctx.options.resolveExternal || ctx.depth >= kMaxImportDepth) return nullptr;
    if (std::find(ctx.inProgress.begin(), ctx.inProgress.end(), want.guid) != ctx.inProgress.end()) return nullptr;

    std::optional<Candidate> where;
    if (!folder.empty()) where = FindInFolder(folder, want);
    if (!where && ctx.options.locateRegistered) {
        if (auto registered = ctx.options.locateRegistered(want.guid, want.major, want.minor)) {
            LibraryLocation loc = SplitResourcePath(*registered);
            where = Candidate{loc.path, loc.resource, {}, {}};
        }
    }
    for (std::size_t i = 0; !where && i < ctx.options.searchPaths.size(); ++i)
        where = FindInFolder(ctx.options.searchPaths[i], want);
    if (!where) return nullptr;

    std::string key = CacheKey(where->path, where->resource);
    const std::optional<FileStamp> stamp = StampOf(where->path);
    if (!stamp) return nullptr;
    Cache& cache = GlobalCache();
    {
        std::lock_guard lock(cache.mutex);
        if (auto it = cache.libraries.find(key); it != cache.libraries.end() && it->second.stamp == *stamp)
            return it->second.library;
    }
    ++ctx.depth;
    auto lib = LoadPath(where->path, where->resource, ctx);
    --ctx.depth;
    if (!lib) return nullptr;
    auto shared = std::make_shared<const TypeLib>(std::move(lib.value()));
    std::lock_guard lock(cache.mutex);
    CachedLibrary& slot = cache.libraries[key];
    if (slot.library && slot.stamp == *stamp) return slot.library;  // another thread was first
    slot = CachedLibrary{*stamp, shared};
    return shared;
}

Result<TypeLib> LoadBytes(ByteView whole, const std::string& display, std::uint32_t resource, const std::string& folder,
                          LoadContext& ctx)
{
    ByteView data = whole;
    if (LooksLikePe(whole)) {
        std::uint32_t id = resource == 0 ? 1 : resource;
        auto found = FindTypeLibResource(whole, id);
        if (!found) {
            if (found.error().code == ErrCode::NotFound)
                return Error::TypeLibrary(static_cast<int>(ErrCode::NotFound) + 1,
                                          "resource " + std::to_string(id) + " not found in " + display);
            return found.error().ToError().In(display);
        }
        data = found.value();
    } else if (resource > 1) {
        return Error::TypeLibrary(static_cast<int>(ErrCode::NotFound) + 1,
                                  "resource " + std::to_string(resource) + " not found in " + display);
    }
    std::uint32_t magic = data.U32At(0);
    if (magic != msft::MSFT_MAGIC && magic != msft::SLTG_MAGIC)
        return Error::TypeLibrary(static_cast<int>(ErrCode::BadMagic) + 1, display + ": not a type library");

    auto identity = PeekIdentity(data);
    if (identity) ctx.inProgress.push_back(identity->guid);
    ImportResolver resolver = [&](const ImportedLibrary& want) { return ResolveImport(want, folder, ctx); };
    auto lib = magic == msft::SLTG_MAGIC ? SltgReader::Open(data, resolver) : MsftReader::Open(data, resolver);
    if (identity) ctx.inProgress.pop_back();
    if (!lib) return lib.error().ToError().In(display);
    TypeLib result = std::move(lib.value());
    result.path = CacheKey(display, resource);
    return result;
}

}  // namespace

LibraryLocation SplitResourcePath(std::string_view pathWithResource)
{
    LibraryLocation loc{std::string(pathWithResource), 0};
    std::size_t slash = pathWithResource.rfind('\\');
    if (slash == std::string_view::npos || slash + 1 == pathWithResource.size()) return loc;
    std::string_view digits = pathWithResource.substr(slash + 1);
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return loc;
    std::error_code ec;
    if (fs::is_regular_file(fs::path(loc.path), ec)) return loc;  // a file name that ends so
    loc.path = std::string(pathWithResource.substr(0, slash));
    loc.resource = static_cast<std::uint32_t>(std::stoul(std::string(digits)));
    return loc;
}

Result<TypeLib> LoadTypeLib(std::string_view pathWithResource, const LoadOptions& options)
{
    LibraryLocation loc = SplitResourcePath(pathWithResource);
    LoadContext ctx{options, {}, 0};
    return LoadPath(loc.path, loc.resource, ctx);
}

Result<TypeLib> LoadTypeLibFromBytes(std::string_view bytes, std::string_view displayName, std::uint32_t resource,
                                     std::string_view folder, const LoadOptions& options)
{
    LoadContext ctx{options, {}, 0};
    return LoadBytes(ByteView(bytes), std::string(displayName), resource, std::string(folder), ctx);
}

void ClearTypeLibCache()
{
    Cache& cache = GlobalCache();
    std::lock_guard lock(cache.mutex);
    cache.libraries.clear();
    cache.folders.clear();
}

// ---- helpers declared in platform/typelib.h ----

std::string Guid::ToString() const
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3, data4[0],
                  data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buf;
}

std::string_view TypeKindKeyword(TypeKind kind)
{
    switch (kind) {
        case TypeKind::Enum:
            return "enum";
        case TypeKind::Record:
            return "record";
        case TypeKind::Module:
            return "module";
        case TypeKind::Interface:
            return "interface";
        case TypeKind::Dispatch:
            return "dispinterface";
        case TypeKind::Coclass:
            return "coclass";
        case TypeKind::Alias:
            return "alias";
        case TypeKind::Union:
            return "union";
    }
    return "";
}

std::size_t TypeLib::CountOf(TypeKind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(types.begin(), types.end(), [kind](const TypeInfo& t) { return t.kind == kind; }));
}

std::optional<std::int32_t> ConstantValue::ToInt32() const
{
    using namespace msft;
    auto fits = [](auto v) -> std::optional<std::int32_t> {
        if (v < static_cast<decltype(v)>(INT32_MIN) || v > static_cast<decltype(v)>(INT32_MAX)) return std::nullopt;
        return static_cast<std::int32_t>(v);
    };
    switch (vt) {
        case VT_R4:
        case VT_R8:
        case VT_DATE: {
            // Round half to even, as OLE Automation converts.
            double r = real - std::floor(real) == 0.5 ? 2.0 * std::round(real / 2.0) : std::round(real);
            if (!(r >= INT32_MIN && r <= INT32_MAX)) return std::nullopt;
            return static_cast<std::int32_t>(r);
        }
        case VT_CY: {
            double r = static_cast<double>(integer) / 10000.0;
            r = r - std::floor(r) == 0.5 ? 2.0 * std::round(r / 2.0) : std::round(r);
            if (!(r >= INT32_MIN && r <= INT32_MAX)) return std::nullopt;
            return static_cast<std::int32_t>(r);
        }
        case VT_BSTR: {
            if (text.empty()) return std::nullopt;
            char* end = nullptr;
            long long v = std::strtoll(text.c_str(), &end, 10);
            if (end == nullptr || *end != '\0') return std::nullopt;
            return fits(v);
        }
        case VT_EMPTY:
            return 0;
        default:
            return fits(integer);
    }
}

std::vector<Member> Members(const TypeInfo& type)
{
    std::vector<Member> out;
    out.reserve(type.functions.size() + type.variables.size());
    for (const Function& fn : type.functions) {
        Member m;
        m.name = fn.name;
        m.doc = fn.doc;
        m.invokeKind = fn.invokeKind;
        m.memberId = fn.memberId;
        m.helpContext = fn.helpContext;
        m.flags = fn.flags;
        m.returnType = fn.returnType;
        m.params = fn.params;
        out.push_back(std::move(m));
    }
    for (const Variable& var : type.variables) {
        Member m;
        m.name = var.name;
        m.doc = var.doc;
        m.memberId = var.memberId;
        m.helpContext = var.helpContext;
        m.flags = var.flags;
        if (var.value) {
            m.isConstant = true;
            m.invokeKind = kInvokeConstant;
            m.value = var.value->ToInt32();
            m.returnType = var.type;
            out.push_back(std::move(m));
        } else if (type.kind == TypeKind::Dispatch) {
            m.invokeKind = 2;
            m.returnType = var.type;
            out.push_back(m);
            if (!(var.flags & kVarFlagReadOnly)) {
                m.invokeKind = 4;
                m.returnType = TypeDesc{msft::VT_VOID, 0, nullptr};
                m.params.push_back(Parameter{var.name, 1, var.type});
                out.push_back(std::move(m));
            }
        } else {
            m.invokeKind = 2;
            m.returnType = var.type;
            out.push_back(std::move(m));
        }
    }
    return out;
}

std::optional<std::size_t> DefaultInterface(const TypeInfo& type)
{
    const auto& impl = type.implTypes;
    for (std::size_t i = 0; i < impl.size(); ++i)
        if ((impl[i].flags & kImplTypeFlagDefault) && !(impl[i].flags & kImplTypeFlagSource)) return i;
    for (std::size_t i = 0; i < impl.size(); ++i)
        if (!(impl[i].flags & kImplTypeFlagSource)) return i;
    return std::nullopt;
}

std::optional<std::size_t> DefaultSourceInterface(const TypeInfo& type)
{
    const auto& impl = type.implTypes;
    for (std::size_t i = 0; i < impl.size(); ++i)
        if ((impl[i].flags & kImplTypeFlagDefault) && (impl[i].flags & kImplTypeFlagSource)) return i;
    for (std::size_t i = 0; i < impl.size(); ++i)
        if (impl[i].flags & kImplTypeFlagSource) return i;
    return std::nullopt;
}

std::vector<std::string> WineLibraryFolders()
{
    // Debian and Ubuntu (multiarch), then the layouts of other distributions
    // and of the packages from winehq.org.
    static const char* const kCandidates[] = {
        "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
        "/usr/lib/i386-linux-gnu/wine/i386-windows",
        "/usr/lib/x86_64-linux-gnu/wine/i386-windows",
        "/usr/lib/wine/x86_64-windows",
        "/usr/lib/wine/i386-windows",
        "/usr/lib64/wine/x86_64-windows",
        "/usr/lib32/wine/i386-windows",
        "/opt/wine-stable/lib64/wine/x86_64-windows",
        "/opt/wine-stable/lib/wine/i386-windows",
        "/opt/wine-devel/lib64/wine/x86_64-windows",
        "/opt/wine-devel/lib/wine/i386-windows",
        "/opt/wine-staging/lib64/wine/x86_64-windows",
        "/opt/wine-staging/lib/wine/i386-windows",
    };
    std::vector<std::string> found;
    for (const char* folder : kCandidates) {
        std::error_code ec;
        if (fs::is_directory(folder, ec)) found.emplace_back(folder);
    }
    return found;
}

std::optional<std::string> ShippedTypeLibFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return std::nullopt;
    const fs::path folder = (exe.parent_path().parent_path() / "share" / "arbolith" / "typelibs").lexically_normal();
    if (!fs::is_directory(folder, ec)) return std::nullopt;
    return folder.string();
}

LoadOptions ImportLoadOptions(ImportSearch search)
{
    LoadOptions options;
    options.searchPaths = std::move(search.folders);
    if (search.wineFolders)
        for (std::string& folder : WineLibraryFolders()) options.searchPaths.push_back(std::move(folder));
    if (search.shippedFolder)
        if (auto shipped = ShippedTypeLibFolder()) options.searchPaths.push_back(std::move(*shipped));
    if (!search.registry) return options;

    struct LazyRegistry {
        std::optional<std::filesystem::path> prefix;
        std::once_flag once;
        std::optional<WineRegistry> registry;
    };
    auto lazy = std::make_shared<LazyRegistry>();
    lazy->prefix = std::move(search.prefix);
    options.locateRegistered = [lazy](const Guid& guid, std::uint16_t major,
                                      std::uint16_t minor) -> std::optional<std::string> {
        std::call_once(lazy->once, [&] { lazy->registry = WineRegistry::Open(lazy->prefix); });
        const auto found = lazy->registry->Find(guid.ToString(), major, minor);
        if (!found || found->linuxPath.empty()) return std::nullopt;
        return found->resource > 1 ? found->linuxPath + "\\" + std::to_string(found->resource) : found->linuxPath;
    };
    return options;
}

LoadOptions RegistryLoadOptions(std::vector<std::string> searchPaths, std::optional<std::filesystem::path> prefix)
{
    ImportSearch search;
    search.folders = std::move(searchPaths);
    search.prefix = std::move(prefix);
    return ImportLoadOptions(std::move(search));
}

}  // namespace arbolith
