// SPDX-License-Identifier: MIT
#include "browser/views.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arbolith::browser {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kStartPathTag = "SP:";
constexpr std::size_t kTaggedLines = 13;
// A view of the largest tree is some tens of megabytes; anything far beyond
// is not a view file.
constexpr std::uintmax_t kMaxViewFileSize = 256u << 20;

// The text on one line: each CR LF, CR or LF becomes one blank.
std::string OneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string Tag(std::size_t field)
{
    return (field < 10 ? "0" : "") + std::to_string(field) + ":";
}

template <class Int>
bool ParseInteger(std::string_view text, Int& value)
{
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string Quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

// Reading the lines of a file in turn, each error naming its line.
class LineReader {
public:
    explicit LineReader(std::string_view text)
    {
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find('\n', start);
            std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
            if (line.ends_with('\r')) line.remove_suffix(1);
            m_lines.push_back(line);
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }

    std::size_t Count() const { return m_lines.size(); }
    std::size_t Number() const { return m_next; }  // of the line read last, from 1
    // Drops an empty line after the last one the file should have.
    void AllowLineEndAfter(std::size_t expected)
    {
        if (m_lines.size() == expected + 1 && m_lines.back().empty()) m_lines.pop_back();
    }

    Result<std::string_view> Next(std::string_view what)
    {
        if (m_next >= m_lines.size())
            return Error::Model("the file ends at line " + std::to_string(m_lines.size()) + ", before " +
                                std::string(what) + " (line " + std::to_string(m_next + 1) + ")");
        return m_lines[m_next++];
    }

    Error Fault(const std::string& what) const { return Error::Model("line " + std::to_string(m_next) + ": " + what); }

private:
    std::vector<std::string_view> m_lines;
    std::size_t m_next = 0;
};

Result<std::vector<std::int32_t>> ParseBranchLimits(std::string_view line, const LineReader& reader)
{
    std::vector<std::int32_t> limits;
    while (!line.empty()) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return reader.Fault("the branch limits should each end with \":\", but " + Quoted(line) + " does not");
        const std::string_view text = line.substr(0, colon);
        std::int32_t limit = 0;
        if (!ParseInteger(text, limit) || limit < 0 || limit > kMaxBranchLimit)
            return reader.Fault("the branch limit " + Quoted(text) + " of object " + std::to_string(limits.size()) +
                                " is not a number from 0 to " + std::to_string(kMaxBranchLimit));
        limits.push_back(limit);
        line.remove_prefix(colon + 1);
    }
    return limits;
}

Result<ViewSeed> ParseSeed(LineReader& reader, std::size_t k)
{
    std::string_view values[kTaggedLines];
    const std::string seedName = "seed " + std::to_string(k);
    for (std::size_t field = 1; field <= kTaggedLines; ++field) {
        auto line = reader.Next("field " + Tag(field) + " of " + seedName);
        if (!line) return line.error();
        const std::string tag = Tag(field);
        if (!line->starts_with(tag))
            return reader.Fault("field " + tag + " of " + seedName + " was expected, not " + Quoted(*line) +
                                " (a text that spans lines, or a line missing or too many)");
        values[field - 1] = line->substr(tag.size());
    }

    ViewSeed seed;
    const auto fault = [&](std::size_t field, const std::string& what) {
        return Error::Model("field " + Tag(field) + " of " + seedName + " (line " +
                            std::to_string(reader.Number() - kTaggedLines + field) + "): " + what);
    };
    if (EqualsNoCase(values[0], "True"))
        seed.isCollection = true;
    else if (!EqualsNoCase(values[0], "False"))
        return fault(1, Quoted(values[0]) + " is neither True nor False");
    if (!ParseInteger(values[1], seed.index) || seed.index != static_cast<std::int32_t>(k))
        return fault(2, "the index " + Quoted(values[1]) + " should be " + std::to_string(k));
    if (!ParseInteger(values[2], seed.level) || seed.level < 0 || seed.level > kMaxLevel)
        return fault(3, "the level " + Quoted(values[2]) + " is not a number from 0 to " + std::to_string(kMaxLevel));
    if (!ParseInteger(values[3], seed.object))
        return fault(4, "the object key " + Quoted(values[3]) + " is not a number");
    if (!ParseInteger(values[4], seed.parent) || seed.parent != static_cast<std::int32_t>(k) - 1)
        return fault(5, "the parent " + Quoted(values[4]) + " should be " + std::to_string(static_cast<int>(k) - 1));
    seed.docString = values[5];
    seed.helpId = values[6];
    seed.hiddenState = values[7];
    const auto image = ParseNodeImageKey(values[8]);
    if (!image) return fault(9, Quoted(values[8]) + " is not a node image");
    seed.image = *image;
    seed.member = values[9];
    seed.name = values[10];
    seed.nameExtra = values[11];
    seed.origin = values[12];
    return seed;
}

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

Error FileError(const fs::path& file, int error, std::string_view what)
{
    return Error::FileSystem(error, file.string() + ": " + std::string(what) + ": " + std::strerror(error));
}

}  // namespace

std::string FormatView(const ViewFile& view)
{
    std::string out;
    out.reserve(256 + view.branchLimits.size() * 3 + view.seeds.size() * 256 + view.expanded.size());
    out += OneLine(view.modelKey);
    out += kLineEnd;
    for (const std::int32_t limit : view.branchLimits) {
        out += std::to_string(limit);
        out += ':';
    }
    out += kLineEnd;
    out += " " + std::to_string(view.seeds.size()) + " ";
    out += kLineEnd;
    for (const ViewSeed& seed : view.seeds) {
        out += kStartPathTag;
        out += "[" + OneLine(seed.name) + "]";
        out += kLineEnd;
    }
    for (const ViewSeed& seed : view.seeds) {
        const std::string fields[kTaggedLines] = {
            seed.isCollection ? "True" : "False",
            std::to_string(seed.index),
            std::to_string(seed.level),
            std::to_string(seed.object),
            std::to_string(seed.parent),
            OneLine(seed.docString),
            OneLine(seed.helpId),
            OneLine(seed.hiddenState),
            NodeImageKey(seed.image),
            OneLine(seed.member),
            OneLine(seed.name),
            OneLine(seed.nameExtra),
            OneLine(seed.origin),
        };
        for (std::size_t field = 0; field < kTaggedLines; ++field) {
            out += Tag(field + 1);
            out += fields[field];
            out += kLineEnd;
        }
    }
    for (const bool open : view.expanded) out += open ? '1' : '0';
    return out;
}

Result<ViewFile> ParseView(std::string_view bytes)
{
    const std::string text = DecodeFileText(bytes);
    LineReader reader(text);
    ViewFile view;

    auto key = reader.Next("the model key");
    if (!key) return key.error();
    if (TrimView(*key).empty()) return reader.Fault("the model key is empty");
    if (std::ranges::any_of(*key,
                            [](char c) { return IsControl(static_cast<unsigned char>(c)) || c == '/' || c == '\\'; }))
        return reader.Fault("the model key " + Quoted(*key) + " is not a file name");
    view.modelKey = *key;

    auto limitsLine = reader.Next("the branch limits");
    if (!limitsLine) return limitsLine.error();
    auto limits = ParseBranchLimits(*limitsLine, reader);
    if (!limits) return limits.error();
    view.branchLimits = std::move(*limits);

    auto countLine = reader.Next("the seed count");
    if (!countLine) return countLine.error();
    std::size_t count = 0;
    if (!ParseInteger(TrimView(*countLine), count) || count < 1 || count > kMaxViewSeeds)
        return reader.Fault("the seed count " + Quoted(*countLine) + " is not a number from 1 to " +
                            std::to_string(kMaxViewSeeds));
    const std::size_t lineCount = 3 + count * (1 + kTaggedLines) + 1;
    reader.AllowLineEndAfter(lineCount);
    if (reader.Count() < lineCount)
        return Error::Model("the file is cut short: it has " + std::to_string(reader.Count()) + " lines, a view of " +
                            std::to_string(count) + " seeds has " + std::to_string(lineCount));

    for (std::size_t k = 0; k < count; ++k) {
        auto line = reader.Next("start-path line " + std::to_string(k));
        if (!line) return line.error();
        if (!line->starts_with(kStartPathTag))
            return reader.Fault("a start-path line (\"SP:\") was expected, not " + Quoted(*line));
    }
    view.seeds.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        auto seed = ParseSeed(reader, k);
        if (!seed) return seed.error();
        view.seeds.push_back(std::move(*seed));
    }

    auto flags = reader.Next("the expanded nodes");
    if (!flags) return flags.error();
    view.expanded.reserve(flags->size());
    for (const char c : *flags) {
        if (c != '0' && c != '1')
            return reader.Fault("the expanded nodes should be given by \"0\" and \"1\", not " + Quoted(*flags));
        view.expanded.push_back(c == '1');
    }
    if (reader.Number() != reader.Count())
        return Error::Model("the file has " + std::to_string(reader.Count() - reader.Number()) +
                            " lines more than its seed count allows");
    return view;
}

ViewSeed MakeViewSeed(const ObjectModel& model, const NodeRecord& seed, std::int32_t index)
{
    ViewSeed out;
    out.index = index;
    out.level = seed.level;
    out.parent = index - 1;
    out.image = seed.image;
    out.origin = NodeOrigin(model, seed);
    out.member = NodeMember(model, seed);
    out.name = NodeName(model, seed);
    if (const ObjectRecord* o = NodeObject(model, seed)) {
        out.object = o->key;
        out.isCollection = o->isCollection;
        out.docString = o->docString;
        out.helpId = o->helpId;
        out.hiddenState = o->hiddenState;
        out.nameExtra = o->nameX;
    }
    return out;
}

Result<std::vector<NodeRecord>> ViewSeedNodes(const ObjectModel& model, std::span<const ViewSeed> seeds)
{
    std::vector<NodeRecord> nodes;
    nodes.reserve(seeds.size());
    for (std::size_t k = 0; k < seeds.size(); ++k) {
        const ViewSeed& seed = seeds[k];
        const auto position = model.PositionOfKey(seed.object);
        if (!position)
            return Error::Model("seed " + std::to_string(k) + " (" + seed.name + ") names the object with key " +
                                std::to_string(seed.object) + ", which the model does not have (it has " +
                                std::to_string(model.objects.size()) + " objects)");
        NodeRecord& node = nodes.emplace_back();
        node.object = *position;
        node.parent = static_cast<std::int32_t>(k) - 1;
        node.level = seed.level;
        node.image = seed.image;
        if (k == 0) continue;
        // The edge from the seed before: the one with the stored label, else
        // the first between the two objects.
        for (const std::int32_t e : model.EdgesFrom(nodes[k - 1].object)) {
            const EdgeRecord& edge = model.edges[static_cast<std::size_t>(e)];
            if (edge.child != node.object) continue;
            if (edge.label == seed.origin) {
                node.edge = e;
                break;
            }
            if (node.edge < 0) node.edge = e;
        }
    }
    return nodes;
}

void ApplyViewBranchLimits(std::span<const std::int32_t> limits, std::vector<ObjectRecord>& objects)
{
    const std::size_t n = std::min(limits.size(), objects.size());
    for (std::size_t i = 0; i < n; ++i) objects[i].branchLimit = std::clamp(limits[i], 0, kMaxBranchLimit);
}

std::string InvalidViewNameReason(std::string_view name)
{
    if (name.empty()) return "the name is empty";
    for (const char c : name) {
        if (c == '.') return "the name holds a full stop";
        if (c == '\\' || c == '/') return "the name holds a folder separator";
        if (IsControl(static_cast<unsigned char>(c))) return "the name holds a control character";
    }
    if (name.size() + 1 + kViewExtension.size() > 255) return "the name is too long";
    return {};
}

fs::path ViewFilePath(const fs::path& viewsFolder, std::string_view name)
{
    return FindEntryNoCase(viewsFolder, std::string(name) + "." + std::string(kViewExtension));
}

Result<std::vector<ViewEntry>> ListViews(const fs::path& viewsFolder)
{
    std::vector<ViewEntry> views;
    std::error_code error;
    fs::directory_iterator it(viewsFolder, error);
    if (error == std::errc::no_such_file_or_directory) return views;
    if (error) return FileError(viewsFolder, error.value(), "cannot list the folder");
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) return FileError(viewsFolder, error.value(), "cannot list the folder");
        const std::string file = it->path().filename().string();
        const std::size_t suffix = 1 + kViewExtension.size();
        if (file.size() <= suffix || file[file.size() - suffix] != '.' ||
            !EqualsNoCase(std::string_view(file).substr(file.size() - kViewExtension.size()), kViewExtension))
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        views.push_back({file.substr(0, file.size() - suffix), it->path()});
    }
    if (error) return FileError(viewsFolder, error.value(), "cannot list the folder");
    std::ranges::sort(views, [](const ViewEntry& a, const ViewEntry& b) {
        const int order = CompareNoCase(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return views;
}

Result<ViewFile> ReadViewFile(const fs::path& file)
{
    // O_NONBLOCK: a FIFO put in the folder must not hang the window.
    const int raw = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (raw < 0) return FileError(file, errno, "cannot open");
    UniqueFd fd(raw);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return FileError(file, errno, "cannot examine");
    if (!S_ISREG(info.st_mode)) return Error::FileSystem(EINVAL, file.string() + ": is not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxViewFileSize)
        return Error::FileSystem(EFBIG, file.string() + ": is too large for a view file");
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t used = 0;
    while (used < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileError(file, errno, "cannot read");
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    auto view = ParseView(bytes);
    if (!view) return view.error().In(file.string());
    return view;
}

Result<void> WriteViewFile(const fs::path& file, const ViewFile& view)
{
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) return FileError(file.parent_path(), error.value(), "cannot make the views folder");
    auto written = WriteFileAtomically(file, FormatView(view));
    if (!written && (written.error().code == EACCES || written.error().code == EPERM || written.error().code == EROFS))
        return written.error().In("the views folder " + file.parent_path().string() +
                                  " cannot be written to; nothing was changed");
    return written;
}

Result<void> DeleteViewFile(const fs::path& file)
{
    if (::unlink(file.c_str()) != 0) return FileError(file, errno, "cannot delete");
    return Ok();
}

}  // namespace arbolith::browser
