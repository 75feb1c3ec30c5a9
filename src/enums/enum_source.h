// SPDX-License-Identifier: MIT
// The enumerations the enum viewer and `arbolith-cli enums` show, without a
// window: those of a model (its DAT file's Enums table) or those of the
// VB/VBA language (table "VB/VBA - Enums" of Special.mdb, a file in this
// store's format that the build makes). Every read is read-only and never
// creates a file; names and search texts are bound values.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::enums {

inline constexpr std::string_view kModelEnumsTable = "Enums";
inline constexpr std::string_view kVbaEnumsTable = "VB/VBA - Enums";
inline constexpr std::string_view kSpecialFileName = "Special.mdb";

// Special.mdb: in the application folder first, then in each data folder
// given (the installed one, then the source tree's for a build-tree run).
// Nothing when it is in none of them.
std::optional<std::filesystem::path> FindSpecialFile(const std::filesystem::path& appFolder,
                                                     const std::vector<std::filesystem::path>& dataFolders);
// The data folders of a program in `programFolder`: that folder (a build
// tree makes the file there) and the installed share/arbolith beside it.
std::vector<std::filesystem::path> SpecialDataFolders(const std::filesystem::path& programFolder);

struct EnumConstant {
    std::string name;
    std::int64_t value = 0;
    bool operator==(const EnumConstant&) const = default;
};

struct ConstantMatch {
    std::string enumName;
    EnumConstant constant;
    bool operator==(const ConstantMatch&) const = default;
};

// One open enum table; the database stays open while the object lives (the
// viewer keeps it open while shown).
class EnumSource {
public:
    // The Enums table of a model's DAT file.
    static Result<EnumSource> OpenModel(const std::filesystem::path& datFile);
    // The "VB/VBA - Enums" table of Special.mdb.
    static Result<EnumSource> OpenVba(const std::filesystem::path& specialFile);

    EnumSource(EnumSource&&) noexcept;
    EnumSource& operator=(EnumSource&&) noexcept;
    ~EnumSource();

    std::string_view Table() const;
    // The distinct enumeration names, in name order without regard to case.
    Result<std::vector<std::string>> EnumNames();
    // The constants of one enumeration by ascending value (ties in table order).
    Result<std::vector<EnumConstant>> Constants(std::string_view enumName);
    // The constants whose name contains `text` without regard to (ASCII)
    // case, taken literally ('%', '_' and quotes included), by enumeration name.
    Result<std::vector<ConstantMatch>> FindConstants(std::string_view text);

private:
    class Impl;
    explicit EnumSource(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// "xlArea = 1": a constant as the viewer's list shows it.
std::string ConstantItem(const EnumConstant& constant);
// "xlArea = 1   [Enum: XlChartType]": a row of Find Constant's report.
std::string MatchItem(const ConstantMatch& match);

// The generated texts; lines end in CR LF, none after the last line.
// Copy with the constants list focused: "' " + the item.
std::string ConstantCopyText(std::string_view item);
// Copy with the tree focused: "' Enum E", a tab + "' " + item per constant, "' End Enum".
std::string EnumCopyText(std::string_view enumName, const std::vector<std::string>& items);
// Create Enum Select Code: the Function ... End Function text of the items
// (each parsed as "name = value"); "" when enumName is empty.
std::string EnumSelectCode(std::string_view enumName, const std::vector<std::string>& items);

}  // namespace arbolith::enums
