// SPDX-License-Identifier: MIT
// The file lists of the wizard's first tab: Browse, the breadth-first
// search for .olb and .tlb files with its saved results, and the DAT files
// of the models folder.
#include "platform/ini.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "wizard/library_discovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <unordered_set>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSearchSection = "WizardSearch";
constexpr std::string_view kCaption = "Search results for drive ";

bool EndsWithNoCase(std::string_view name, std::string_view ending)
{
    return name.size() >= ending.size() && EqualsNoCase(name.substr(name.size() - ending.size()), ending);
}

// The hot test of the search: ".olb" or ".tlb" in any case, without a
// string made for it.
bool IsLibraryName(std::string_view name)
{
    if (name.size() < 4) return false;
    const char* end = name.data() + name.size() - 4;
    if (end[0] != '.' || (end[2] | 0x20) != 'l' || (end[3] | 0x20) != 'b') return false;
    const char first = static_cast<char>(end[1] | 0x20);
    return first == 'o' || first == 't';
}

// By name without regard to case, then as bytes, so that the order is total.
bool NameOrder(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char la = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] | 0x20) : a[i];
        const char lb = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] | 0x20) : b[i];
        if (la != lb) return static_cast<unsigned char>(la) < static_cast<unsigned char>(lb);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

// Whether an entry of an open folder is a file once links are followed:
// the Browse and DAT lists show a link to a file as the file.
bool IsFileEntry(int folderFd, const dirent& entry)
{
    if (entry.d_type == DT_REG) return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
    struct stat st;
    return fstatat(folderFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// The names of the files of a folder that `keep` accepts, by NameOrder.
Result<std::vector<std::string>> FilesOf(const fs::path& folder, const std::function<bool(std::string_view)>& keep)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        const int error = errno;
        return Error::FileSystem(error, folder.string() + ": " + std::strerror(error));
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (keep(name) && IsFileEntry(dirfd(dir), *entry)) names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

// The pseudo file systems a search from "/" must not walk into, known by
// device and inode so that no spelling of their paths gets past.
class SkippedFolders {
public:
    SkippedFolders()
    {
        for (const char* path : {"/proc", "/sys", "/dev", "/run"}) {
            struct stat st;
            if (stat(path, &st) == 0) m_ids.emplace_back(st.st_dev, st.st_ino);
        }
    }
    bool Contains(const struct stat& st) const
    {
        return std::find(m_ids.begin(), m_ids.end(), std::pair(st.st_dev, st.st_ino)) != m_ids.end();
    }

private:
    std::vector<std::pair<dev_t, ino_t>> m_ids;
};

// One folder's entries of interest, their names packed in one buffer that
// is reused from folder to folder.
class FolderEntries {
public:
    void Clear()
    {
        m_names.clear();
        m_entries.clear();
    }
    void Add(std::string_view name, bool folder)
    {
        m_entries.push_back(
            {static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size()), folder});
        m_names.append(name);
    }
    void Sort()
    {
        std::sort(m_entries.begin(), m_entries.end(),
                  [this](const Entry& a, const Entry& b) { return Name(a) < Name(b); });
    }
    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        for (const Entry& entry : m_entries) visit(Name(entry), entry.folder);
    }

private:
    struct Entry {
        std::uint32_t start, size;
        bool folder;
    };
    std::string_view Name(const Entry& entry) const
    {
        return std::string_view(m_names).substr(entry.start, entry.size);
    }
    std::string m_names;
    std::vector<Entry> m_entries;
};

// Reads the folders and library files of one open folder into `out`.
// Links are never taken for folders; a link to a library file counts as
// the file.
void ReadFolder(DIR* dir, bool enterHidden, FolderEntries& out)
{
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : 0;
        }
        if (type == DT_DIR) {
            if (name[0] != '.' || enterHidden) out.Add(name, true);
            continue;
        }
        if (type != DT_REG && type != DT_LNK) continue;
        const std::string_view view(name);
        if (!IsLibraryName(view)) continue;
        if (type == DT_LNK) {
            struct stat st;
            if (fstatat(fd, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        out.Add(view, false);
    }
}

// "C:" for a folder under a Wine prefix's drive_c, the drive letter of a
// Windows folder saved long ago, else "/".
std::string LabelOfFolder(std::string_view folder)
{
    if (folder.size() >= 2 && folder[1] == ':' && ((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z'))
        return {static_cast<char>(folder[0] & ~0x20), ':'};
    const std::string lower = AsciiLower(folder);
    if (lower.find("/drive_c/") != std::string::npos || lower.ends_with("/drive_c")) return "C:";
    return "/";
}

// "name|folder" back into its parts. A folder found here starts with "/"
// and a file name cannot hold one, so the bar before the first "/" divides
// them even when either part holds bars of its own.
std::optional<FoundLibrary> SplitSavedKey(std::string_view key)
{
    std::size_t bar = std::string_view::npos;
    if (const std::size_t slash = key.find('/'); slash != std::string_view::npos && slash > 0 && key[slash - 1] == '|')
        bar = slash - 1;
    else
        bar = key.find('|');
    if (bar == std::string_view::npos || bar == 0) return std::nullopt;
    return FoundLibrary{std::string(key.substr(0, bar)), std::string(key.substr(bar + 1))};
}

}  // namespace

int NormalizeShowType(std::int64_t stored)
{
    return stored == 0 || stored == 1 ? static_cast<int>(stored) : 2;
}

bool MatchesShowType(std::string_view fileName, int showType)
{
    // "*.*" takes every file, as it always has, names without a dot too.
    switch (NormalizeShowType(showType)) {
        case 0:
            return true;
        case 1:
            for (const std::string_view ending : {".olb", ".tlb", ".exe", ".dll", ".ocx"})
                if (EndsWithNoCase(fileName, ending)) return true;
            return false;
        default:
            return IsLibraryName(fileName);
    }
}

Result<std::vector<std::string>> BrowseFiles(const fs::path& folder, int showType)
{
    return FilesOf(folder, [showType](std::string_view name) {
        return name != "." && name != ".." && MatchesShowType(name, showType);
    });
}

SearchOutcome FindLibraries(const fs::path& root, bool enterHidden, const std::atomic<bool>* cancel,
                            const std::function<void(const SearchProgress&)>& progress)
{
    SearchOutcome outcome;
    std::string rootText = root.string();
    if (rootText.empty()) return outcome;
    while (rootText.size() > 1 && rootText.back() == '/') rootText.pop_back();
    if (rootText != "/") rootText += '/';

    const SkippedFolders skipped;
    using Clock = std::chrono::steady_clock;
    constexpr auto kProgressEvery = std::chrono::milliseconds(100);
    auto lastProgress = Clock::now();
    const auto report = [&]() {
        if (progress) progress({outcome.foldersVisited, static_cast<std::int64_t>(outcome.found.size())});
    };

    // Every folder is read once: its subfolders join the end of the list
    // and its library files are results. As folders are read in list order,
    // the results come folder by folder in that order.
    std::deque<std::string> pending{std::move(rootText)};
    FolderEntries entries;
    bool isRoot = true;
    while (!pending.empty()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            outcome.cancelled = true;
            break;
        }
        std::string folder = std::move(pending.front());
        pending.pop_front();
        // The root may be a link (a Wine drive); nothing below it is followed.
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW));
        if (fd < 0) {
            isRoot = false;
            continue;
        }
        struct stat st;
        if (!isRoot && fstat(fd, &st) == 0 && skipped.Contains(st)) {
            close(fd);
            continue;
        }
        isRoot = false;
        DIR* dir = fdopendir(fd);
        if (!dir) {
            close(fd);
            continue;
        }
        entries.Clear();
        ReadFolder(dir, enterHidden, entries);
        closedir(dir);
        ++outcome.foldersVisited;

        entries.Sort();
        entries.ForEach([&](std::string_view name, bool isFolder) {
            if (isFolder) {
                std::string& next = pending.emplace_back();
                next.reserve(folder.size() + name.size() + 1);
                next.append(folder).append(name).push_back('/');
            } else {
                outcome.found.push_back({std::string(name), folder});
            }
        });

        if ((outcome.foldersVisited & 15) == 0 && progress) {
            const auto now = Clock::now();
            if (now - lastProgress >= kProgressEvery) {
                lastProgress = now;
                report();
            }
        }
    }
    report();
    return outcome;
}

Result<std::size_t> SaveSearchResults(const fs::path& settingsFile, std::span<const FoundLibrary> results)
{
    // A key that a line cannot hold, or that would come back different, is
    // left out: text that is not UTF-8 (the file would then be read as
    // Windows-1252 as a whole), white space at either end (trimmed on
    // reading), and a second key differing only in case (keys are found
    // without regard to case, so it would replace the first).
    std::vector<std::string> keys;
    keys.reserve(results.size());
    std::unordered_set<std::string> seen;
    std::size_t leftOut = 0;
    for (const FoundLibrary& result : results) {
        std::string key = result.fileName + "|" + result.folder;
        if (result.fileName.empty() || !InvalidKeyNameReason(key).empty() || !IsValidUtf8(key) ||
            TrimView(key).size() != key.size() || !seen.insert(AsciiLower(key)).second) {
            ++leftOut;
            continue;
        }
        keys.push_back(std::move(key));
    }
    std::string failure;
    const bool written = UpdateIniFile(
        settingsFile,
        [&keys](ProfileDocument& doc) {
            doc.DeleteSection(kSearchSection);
            for (const std::string& key : keys) doc.Set(kSearchSection, key, "");
        },
        [&failure](const std::string& message) { failure = message; });
    if (!written) return Error::FileSystem(0, failure.empty() ? "the search results could not be saved" : failure);
    return leftOut;
}

std::vector<FoundLibrary> LoadSearchResults(const fs::path& settingsFile)
{
    std::vector<FoundLibrary> results;
    auto doc = ProfileDocument::Load(settingsFile);
    if (!doc) return results;
    for (const std::string& key : doc->SectionKeys(kSearchSection))
        if (auto result = SplitSavedKey(key)) results.push_back(std::move(*result));
    return results;
}

std::string SearchCaption(std::string_view rootLabel)
{
    // A folder instead of a label: the caption of restored results.
    const bool folder = !rootLabel.empty() && (rootLabel.front() == '/' || rootLabel.find('\\') != std::string::npos);
    return std::string(kCaption) + (folder ? LabelOfFolder(rootLabel) : std::string(rootLabel));
}

std::vector<std::string> ListDatFiles(const fs::path& modelsFolder)
{
    auto names =
        FilesOf(modelsFolder, [](std::string_view name) { return name.size() > 4 && EndsWithNoCase(name, ".dat"); });
    if (!names) return {};
    for (std::string& name : *names) name.resize(name.size() - 4);
    // Without the ending the order can differ ("a-b.dat" < "a.dat", "a" < "a-b").
    std::sort(names->begin(), names->end(), NameOrder);
    return std::move(*names);
}

}  // namespace arbolith
