// SPDX-License-Identifier: MIT
#include "browser/member_panes.h"

#include "browser/image_codes.h"
#include "browser/tree_display.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <sys/stat.h>

namespace arbolith::browser {

namespace fs = std::filesystem;

namespace {

// The image codes of a member row, as the image set defines them; images
// are numbered with the help digit first, then visibility, then access.
::arbolith::MethodImage MethodImageOf(const MemberRecord& m)
{
    return {HasHelp(m.helpId), MemberVisibilityOf(m.hiddenState)};
}

int MethodImageIndex(::arbolith::MethodImage image)
{
    return (image.help ? kVisibilityCount : 0) + static_cast<int>(image.visibility);
}

MemberRecord ReadMember(const Statement& stmt, const std::vector<std::optional<int>>& columns)
{
    MemberRecord m;
    std::size_t c = 0;
    const auto next = [&]() -> std::optional<int> {
        const auto column = columns[c++];
        return column && !stmt.IsNull(*column) ? column : std::nullopt;
    };
    const auto text = [&](std::string& field) {
        if (const auto column = next()) field = stmt.Text(*column);
    };
    const auto integer = [&](std::int64_t& field) {
        if (const auto column = next()) field = stmt.Integer(*column);
    };
    integer(m.key);
    text(m.name);
    integer(m.objectKey);
    text(m.objectName);
    text(m.invokeType);
    text(m.access);
    text(m.returnType);
    integer(m.returnTypeKey);
    if (const auto column = next()) m.isPointer = stmt.Integer(*column) != 0;
    text(m.helpId);
    text(m.declaration);
    text(m.hiddenState);
    text(m.docString);
    return m;
}

// In the order ReadMember reads them.
constexpr std::string_view kMemberColumns[] = {
    "Key",           "Name",      "ObjectKey", "ObjectName",  "InvokeType",  "Access",   "ReturnType",
    "ReturnTypeKey", "IsPointer", "HelpID",    "Declaration", "HiddenState", "DocString"};

}  // namespace

int PropertyImage(const MemberRecord& member)
{
    const ::arbolith::MethodImage base = MethodImageOf(member);
    return MethodImageIndex(base) * kAccessCount + static_cast<int>(PropertyAccessOf(member.access));
}

int MethodImage(const MemberRecord& member)
{
    return MethodImageIndex(MethodImageOf(member));
}

std::string PropertyImageKey(int image)
{
    const int base = image / kAccessCount;
    return ::arbolith::PropertyImageKey(
        ::arbolith::PropertyImage{base / kVisibilityCount != 0, static_cast<MemberVisibility>(base % kVisibilityCount),
                                  static_cast<PropertyAccess>(image % kAccessCount)});
}

std::string MethodImageKey(int image)
{
    return ::arbolith::MethodImageKey(::arbolith::MethodImage{image / kVisibilityCount != 0,
                                                              static_cast<MemberVisibility>(image % kVisibilityCount)});
}

Result<MemberPanes> ReadMemberPanes(Database& db, std::int64_t objectKey, std::string_view defaultName)
{
    auto stmt = db.Prepare("SELECT * FROM Functions WHERE ObjectKey = ? ORDER BY Name");
    if (!stmt) return stmt.error();
    if (auto bound = stmt->Bind(1, objectKey); !bound) return bound.error();
    std::vector<std::optional<int>> columns;
    for (const std::string_view name : kMemberColumns) columns.push_back(stmt->ColumnIndex(name));

    MemberPanes panes;
    for (;;) {
        auto step = stmt->Step();
        if (!step) return step.error();
        if (!*step) break;
        MemberRecord m = ReadMember(*stmt, columns);
        if (EqualsNoCase(m.invokeType, "method")) {
            const int image = MethodImage(m);
            panes.methods.push_back({std::move(m), image});
        } else if ((m.invokeType == "propget" && m.access.empty()) || m.access == "R" || m.access == "W") {
            const int image = PropertyImage(m);
            panes.properties.push_back({std::move(m), image});
        }
    }
    SetMemberCaptions(panes, defaultName);
    return panes;
}

void SetMemberCaptions(MemberPanes& panes, std::string_view defaultName)
{
    panes.propertiesCaption = "Properties: " + std::to_string(panes.properties.size());
    panes.methodsCaption = "Methods: " + std::to_string(panes.methods.size());
    panes.defaultCaption = "Default:  " + std::string(defaultName);
}

Result<MemberPanes> MemberSource::Read(const fs::path& datFile, std::int64_t objectKey, std::string_view defaultName)
{
    struct stat st {};
    if (::stat(datFile.c_str(), &st) != 0) {
        Close();
        return Error::FileSystem(errno, "cannot read " + datFile.string() + ": the file has gone");
    }
    const Identity identity{st.st_ino, static_cast<std::uintmax_t>(st.st_size),
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    if (!m_db || m_file != datFile || !(m_identity == identity)) {
        Close();
        auto db = OpenDatFile(datFile, /*readOnly=*/true);
        if (!db) return db.error();
        // Functions has no index on ObjectKey, so each query scans the
        // table. A page cache that holds the whole file (a few MB even for
        // the largest libraries) makes every scan after the first one a
        // walk in memory instead of a decryption of every page.
        if (auto cached = db->Execute("PRAGMA cache_size = -65536"); !cached) return cached.error();
        m_db.emplace(std::move(*db));
        m_file = datFile;
        m_identity = identity;
    }
    return ReadMemberPanes(*m_db, objectKey, defaultName);
}

void MemberSource::Close()
{
    m_db.reset();
    m_file.clear();
}

std::string GetCurrentPath(const ObjectModel& model, std::span<const NodeRecord> nodes, std::int32_t node)
{
    // Parents always come before their children, so the walk ends; the
    // bound keeps a damaged array from making it long.
    constexpr int kMaxPathNodes = kMaxLevel + 1;
    std::vector<std::int32_t> path;
    for (std::int32_t at = node; at >= 0 && static_cast<std::size_t>(at) < nodes.size() &&
                                 path.size() < static_cast<std::size_t>(kMaxPathNodes);
         at = nodes[static_cast<std::size_t>(at)].parent) {
        path.push_back(at);
        if (at == 0 || nodes[static_cast<std::size_t>(at)].parent >= at) break;
    }
    std::string text;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (!text.empty()) text += " -- ";
        const ObjectRecord* o = NodeObject(model, nodes[static_cast<std::size_t>(*it)]);
        text += o ? o->name : std::string(kFlatRootName);
    }
    return text;
}

std::string ObjectStatusText(const ObjectModel& model, std::span<const NodeRecord> nodes, std::int32_t node)
{
    std::string text = "Path: " + GetCurrentPath(model, nodes, node) + "\n";
    if (node < 0 || static_cast<std::size_t>(node) >= nodes.size()) return text + "End Node: \nDOC STRING: ";
    // The node's full description, whatever the Show* switches say.
    constexpr DisplaySwitches kEverything{true, true, false, true};
    text += "End Node: " + NodeLabel(model, nodes, static_cast<std::size_t>(node), 1, kEverything, LabelStyle::Relabel);
    const ObjectRecord* o = NodeObject(model, nodes[static_cast<std::size_t>(node)]);
    text += "\nDOC STRING: ";
    if (o) text += o->docString;
    return text;
}

std::string MemberStatusText(const MemberRecord& member)
{
    return member.declaration + "\nDOC STRING: " + member.docString;
}

}  // namespace arbolith::browser
