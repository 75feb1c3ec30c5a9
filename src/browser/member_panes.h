// SPDX-License-Identifier: MIT
// The member panes beside the object tree: the selected object's properties
// and methods, read from the DAT file with one query per selection, and the
// status texts for an object node and for a member.
#pragma once

#include "browser/object_model.h"
#include "browser/tree_builder.h"
#include "platform/database.h"
#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::browser {

// One row of Functions. A Null column reads as an empty value.
struct MemberRecord {
    std::int64_t key = 0;
    std::string name;
    std::int64_t objectKey = 0;
    std::string objectName;
    std::string invokeType;  // "method", "propget", ...
    std::string access;      // "R", "W" or other
    std::string returnType;
    std::int64_t returnTypeKey = 0;
    bool isPointer = false;
    std::string helpId;
    std::string declaration;
    std::string hiddenState;  // "H", "N", "B" or other
    std::string docString;
};

// The 24 property images "p000" .. "p132" and 8 method images "m00" .. "m13".
// Digits: help ("1" when the help id is neither "0" nor empty); hidden state
// ("1" H, "0" N, "2" B, "3" other); for properties the access ("0" W, "1" R,
// "2" other). The index counts the keys in that order: p000 is 0, p001 1,
// p010 3, ..., p132 23; m00 is 0, ..., m13 7.
inline constexpr int kPropertyImageCount = 24;
inline constexpr int kMethodImageCount = 8;
int PropertyImage(const MemberRecord& member);
int MethodImage(const MemberRecord& member);
std::string PropertyImageKey(int image);
std::string MethodImageKey(int image);

struct MemberRow {
    MemberRecord member;
    int image = 0;  // PropertyImage or MethodImage, by pane
};

// What the two panes and their three labels show for one object.
struct MemberPanes {
    std::vector<MemberRow> properties;  // by name
    std::vector<MemberRow> methods;     // by name
    std::string propertiesCaption;      // lblProps: "Properties: 3"
    std::string methodsCaption;         // lblMethods: "Methods: 5"
    std::string defaultCaption;         // lblDefault: "Default:  P: Item"
};

// Sets the three captions from the rows' counts and the object's DefaultName.
void SetMemberCaptions(MemberPanes& panes, std::string_view defaultName);

// The object's members: "SELECT * FROM Functions WHERE ObjectKey = ?
// ORDER BY Name". A method row goes to the methods; a propget with empty
// access, or any row with access "R" or "W", to the properties; other rows
// are not shown. `defaultName` is the object's DefaultName.
Result<MemberPanes> ReadMemberPanes(Database& db, std::int64_t objectKey, std::string_view defaultName);

// Opens DAT files for the member panes. Opening an encrypted file means a
// key check and a cold page cache; a click must stay instant, so the last
// file's read-only connection is kept and reused as long as the file on disk
// is the same (same inode, size and modification time). A file replaced by a
// new extraction is opened afresh.
class MemberSource {
public:
    Result<MemberPanes> Read(const std::filesystem::path& datFile, std::int64_t objectKey,
                             std::string_view defaultName);
    void Close();

private:
    struct Identity {
        std::uintmax_t inode = 0, size = 0;
        std::int64_t mtime = 0;
        bool operator==(const Identity&) const = default;
    };
    std::optional<Database> m_db;
    std::filesystem::path m_file;
    Identity m_identity;
};

// Status text of an object node, three lines:
//   "Path: " + the names from the root to the node joined by " -- ";
//   "End Node: " + name [+ " " name extra][+ " " {member}][+ " " origin][+ " [" flags "]"];
//   "DOC STRING: " + the object's documentation string.
std::string ObjectStatusText(const ObjectModel& model, std::span<const NodeRecord> nodes, std::int32_t node);
// The path line's names, root first; at most 101 of them.
std::string GetCurrentPath(const ObjectModel& model, std::span<const NodeRecord> nodes, std::int32_t node);

// Status text of a member: its declaration, then "DOC STRING: " and its
// documentation string.
std::string MemberStatusText(const MemberRecord& member);

}  // namespace arbolith::browser
