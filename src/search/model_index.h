// SPDX-License-Identifier: MIT
// The index over every model of the Models folder: the objects, the members
// as the member panes show them (name and declaration), the doc strings and
// the enumeration constants of each model's DAT file, in one plain SQLite
// file beside the models with a full-text table (FTS4: the encrypted engine
// the program links offers FTS3 and FTS4, not FTS5). The file holds nothing
// that is not in the models, so it can always be thrown away and made again.
//
// Before each search the index compares the size and modification time of
// every DAT and INF file with what it recorded, and reads again the models
// that changed, were added or are gone. Whoever made, re-extracted or deleted
// a model, the next search sees it. Model files are only ever read.
//
// A connection belongs to one thread: make, refresh and search an index on
// the same thread (the window's worker makes and refreshes it, then hands it
// over once the worker is done).
#pragma once

#include "platform/database.h"
#include "platform/progress.h"
#include "platform/result.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::search {

// The index file's name in the Models folder.
inline constexpr std::string_view kIndexFileName = ".arbolith-index.db";

enum class HitKind { Object, Member, Constant };
// "object", "member", "constant".
std::string_view HitKindName(HitKind kind);

// One match. For a member, `object` is the object that has it; for an
// enumeration constant, `object` is the enumeration, `member` the constant
// and `declaration` "Constant = value".
struct SearchHit {
    std::string model;  // the model's key: its DAT file's base name
    std::string object;
    std::string member;  // "" for an object
    std::string declaration;
    HitKind kind = HitKind::Object;

    bool operator==(const SearchHit&) const = default;
};

// What bringing the index up to date did.
struct RefreshSummary {
    std::size_t models = 0;  // models indexed after the refresh
    std::size_t read = 0;    // models read (new or changed)
    std::size_t removed = 0;
    bool rebuilt = false;  // the file was made anew (missing, damaged, foreign or asked for)
    // The models whose DAT file could not be read, with why; they are tried
    // again once their files change.
    std::vector<std::string> unreadable;
    // Why an existing index file was thrown away, or "".
    std::string discarded;
};

// The user's text as an FTS4 query that matches it as plain words: each run
// of letters and digits is a word, everything else (quotes, operators such
// as AND, OR, NOT, NEAR, *, ^, -, :) only separates words, and each word
// matches itself or any longer word it begins ("item" finds "Items"). A
// blank-separated part made of several words ("get_Item") must match them in
// that order. Every part must match. "" when the text has no word at all.
std::string FtsQuery(std::string_view text);

class ModelIndex {
public:
    // Opens the index of the folder, making it when missing. A file that is
    // damaged, is no database or is not such an index is deleted and made
    // anew (RefreshSummary::discarded of the next Refresh says why). With
    // `rebuild`, an existing file is thrown away unread.
    static Result<ModelIndex> Open(const std::filesystem::path& modelsFolder, bool rebuild = false);

    ModelIndex(ModelIndex&&) noexcept = default;
    ModelIndex& operator=(ModelIndex&&) noexcept = default;

    // Reads the models that changed since the last refresh; cheap when none
    // did. `progress` gets a caption per model read; `cancel` stops between
    // models (what was read so far stays, consistent).
    Result<RefreshSummary> Refresh(ProgressSink* progress = nullptr, const std::atomic<bool>* cancel = nullptr);

    // The matches of the user's text, ordered by model, object, member and
    // declaration (letter case aside), then by kind. A text without a word
    // is an error that says so. The index is not refreshed first.
    Result<std::vector<SearchHit>> Search(std::string_view text);

    const std::filesystem::path& File() const { return m_file; }

private:
    ModelIndex(std::filesystem::path folder, std::filesystem::path file, Database db, std::string discarded,
               bool rebuilt)
        : m_folder(std::move(folder)),
          m_file(std::move(file)),
          m_db(std::move(db)),
          m_discarded(std::move(discarded)),
          m_rebuilt(rebuilt)
    {
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_file;
    Database m_db;
    std::string m_discarded;
    bool m_rebuilt = false;
};

// Refresh, then Search: what the command line and the window run.
struct SearchOutcome {
    std::vector<SearchHit> hits;
    RefreshSummary refresh;
};
Result<SearchOutcome> SearchModels(const std::filesystem::path& modelsFolder, std::string_view text,
                                   bool rebuild = false, ProgressSink* progress = nullptr);

// Find in All Models: its question, and the answer split into the text and
// the "/r" (any case, at the end) that asks for the index to be made anew.
inline constexpr std::string_view kFindInAllModelsTitle = "Find in All Models";
inline constexpr std::string_view kFindInAllModelsQuestion =
    "Enter the words to find in the objects, members, declarations and doc strings of every model. "
    "Append /r to make the search index anew first.";
struct SearchRequest {
    std::string text;
    bool rebuild = false;
};
SearchRequest ParseSearchAnswer(std::string_view answer);

// A match as the report window lists it: "model: Object.Member   declaration",
// "model: Object" for an object.
std::string HitLine(const SearchHit& hit);

}  // namespace arbolith::search
