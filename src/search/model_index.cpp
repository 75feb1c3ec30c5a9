// SPDX-License-Identifier: MIT
#include "search/model_index.h"

#include "platform/paths.h"
#include "store/dat_schema.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include <sys/stat.h>

namespace arbolith::search {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFormatName = "arbolith model index";
constexpr std::string_view kFormatVersion = "1";

// Entry rowids are the model's id shifted left by this many bits plus the
// entry's number within the model, so a model's entries are one rowid range
// and go with one range delete.
constexpr int kModelShift = 24;
constexpr std::int64_t kMaxEntriesPerModel = (std::int64_t{1} << kModelShift) - 1;

// Kind is stored as a number in the order hits of equal names are listed.
enum StoredKind : int { kObjectKind = 0, kMemberKind = 1, kConstantKind = 2 };

constexpr std::string_view kSchema =
    "CREATE TABLE Meta(Name TEXT PRIMARY KEY, Value TEXT);"
    "CREATE TABLE Models(Id INTEGER PRIMARY KEY, File TEXT NOT NULL UNIQUE, Key TEXT NOT NULL,"
    " DatSize INTEGER, DatTime INTEGER, InfSize INTEGER, InfTime INTEGER, Problem TEXT);";
// Only the names, declarations and doc strings are searched; the object a
// hit belongs to and its kind are carried along for showing it.
constexpr std::string_view kEntriesTable =
    "CREATE VIRTUAL TABLE Entries USING fts4(Kind, Object, Name, Declaration, DocString,"
    " notindexed=Kind, notindexed=Object, prefix=\"2,3\", tokenize=";

// What a model's files look like on disk; a change of any number means the
// model is read again.
struct FileStamp {
    std::int64_t size = -1;  // -1: no such file
    std::int64_t time = 0;   // modification time in nanoseconds
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const fs::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

struct ModelOnDisk {
    std::string file;  // the DAT file's name in the folder
    std::string key;
    FileStamp dat, inf;
};

Result<std::vector<ModelOnDisk>> ListModels(const fs::path& folder)
{
    std::vector<ModelOnDisk> models;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return Error::FileSystem(ec.value(), "list " + folder.string() + ": " + ec.message());
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (GetExtension(name, true) != "dat") continue;
        ModelOnDisk model{name, GetBaseName(name), StampOf(it->path()), {}};
        if (model.dat.size < 0) continue;  // a folder or a broken link named like a model
        model.inf = StampOf(GetInfFileName(model.key, folder));
        models.push_back(std::move(model));
    }
    if (ec) return Error::FileSystem(ec.value(), "list " + folder.string() + ": " + ec.message());
    std::sort(models.begin(), models.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return models;
}

// One row of Entries.
struct Entry {
    int kind = kObjectKind;
    std::string object, name, declaration, docString;
};

// A model's entries, read on a worker thread from its own read-only
// connection.
struct ModelEntries {
    std::vector<Entry> entries;
    std::string problem;  // why the DAT file could not be read, or ""
};

ModelEntries ReadModel(const fs::path& datFile)
{
    ModelEntries out;
    auto db = OpenDatFile(datFile, true);
    if (!db) {
        out.problem = db.error().description;
        return out;
    }
    const auto fail = [&](const Error& error) {
        out.entries.clear();
        out.problem = error.description;
        return out;
    };
    auto r = db->ForEachRow("SELECT Name, DocString FROM Objects", [&](const Statement& s) {
        out.entries.push_back({kObjectKind, s.Text(0), s.Text(0), {}, s.Text(1)});
    });
    if (!r) return fail(r.error());

    // The rows the member panes show: methods, and properties read or
    // written (a propget without access counts as read). A property's get
    // and put rows carry one declaration, listed once.
    std::set<std::tuple<std::string, std::string, std::string>> seen;
    r = db->ForEachRow(
        "SELECT ObjectName, Name, Declaration, DocString, InvokeType, Access FROM Functions", [&](const Statement& s) {
            const std::string invoke = s.Text(4), access = s.Text(5);
            const bool shown = QString::fromStdString(invoke).compare("method", Qt::CaseInsensitive) == 0 ||
                               (invoke == "propget" && access.empty()) || access == "R" || access == "W";
            if (!shown) return;
            std::string object = s.Text(0), name = s.Text(1), declaration = s.Text(2);
            if (!seen.emplace(object, name, declaration).second) return;
            out.entries.push_back({kMemberKind, std::move(object), std::move(name), std::move(declaration), s.Text(3)});
        });
    if (!r) return fail(r.error());

    auto hasEnums = db->HasTable(kEnumsTable);
    if (!hasEnums) return fail(hasEnums.error());
    if (*hasEnums) {
        std::string lastEnum;
        r = db->ForEachRow(
            "SELECT Enum, Constant, Value FROM Enums ORDER BY Enum, Value, Constant", [&](const Statement& s) {
                std::string enumName = s.Text(0), constant = s.Text(1);
                if (enumName != lastEnum) {
                    // The enumeration itself, so that its name finds it.
                    out.entries.push_back({kObjectKind, enumName, enumName, {}, {}});
                    lastEnum = enumName;
                }
                std::string declaration = constant + " = " + std::to_string(s.Integer(2));
                out.entries.push_back(
                    {kConstantKind, std::move(enumName), std::move(constant), std::move(declaration), {}});
            });
        if (!r) return fail(r.error());
    }
    return out;
}

// Deletes the index file and what SQLite may have left beside it. A link
// in the index's place is removed, never what it points to.
Result<void> RemoveIndexFile(const fs::path& file)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::error_code ec;
        const fs::path path = file.string() + suffix;
        fs::remove(path, ec);
        if (ec) return Error::FileSystem(ec.value(), "delete " + path.string() + ": " + ec.message());
    }
    return Ok();
}

// Why an open index file cannot be trusted, or "" when it can.
std::string ProblemOf(Database& db)
{
    auto check = db.QueryValue("PRAGMA quick_check");
    if (!check) return check.error().description;
    if (!*check || (*check)->AsText() != "ok") return "the file is damaged";
    for (const std::string_view table : {"Meta", "Models", "Entries"}) {
        auto has = db.HasTable(table);
        if (!has) return has.error().description;
        if (!*has) return "the file is not a model index";
    }
    auto format = db.QueryValue("SELECT Value FROM Meta WHERE Name = 'format'");
    auto version = db.QueryValue("SELECT Value FROM Meta WHERE Name = 'version'");
    if (!format) return format.error().description;
    if (!version) return version.error().description;
    if (!*format || (*format)->AsText() != kFormatName) return "the file is not a model index";
    if (!*version || (*version)->AsText() != kFormatVersion) return "the index was made by another version";
    auto probe = db.QueryValue("SELECT count(*) FROM Entries WHERE Entries MATCH 'a*'");
    if (!probe) return probe.error().description;
    return {};
}

Result<Database> CreateIndex(const fs::path& file)
{
    auto db = Database::Create(file, "");
    if (!db) return db.error();
    auto tx = db->Begin();
    if (!tx) return tx.error();
    Result<void> r = db->ExecuteScript(kSchema);
    if (r) {
        // unicode61 folds the case of every letter, not only of ASCII ones;
        // an engine built without it gets the simple tokenizer.
        r = db->ExecuteScript(std::string(kEntriesTable) + "unicode61)");
        if (!r) r = db->ExecuteScript(std::string(kEntriesTable) + "simple)");
    }
    if (r)
        r = db->Execute("INSERT INTO Meta(Name, Value) VALUES ('format', ?), ('version', ?)",
                        {kFormatName, kFormatVersion});
    if (r) r = tx->Commit();
    if (!r) {
        db = Result<Database>(r.error());
        (void)RemoveIndexFile(file);
        return r.error();
    }
    return db;
}

}  // namespace

std::string_view HitKindName(HitKind kind)
{
    switch (kind) {
        case HitKind::Member:
            return "member";
        case HitKind::Constant:
            return "constant";
        case HitKind::Object:
            break;
    }
    return "object";
}

SearchRequest ParseSearchAnswer(std::string_view answer)
{
    SearchRequest request;
    std::string text(answer);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() >= 2 && text[text.size() - 2] == '/' && (text.back() == 'r' || text.back() == 'R')) {
        request.rebuild = true;
        text.resize(text.size() - 2);
    }
    request.text = std::move(text);
    return request;
}

std::string HitLine(const SearchHit& hit)
{
    std::string line = hit.model + ": " + hit.object;
    if (!hit.member.empty()) line += "." + hit.member;
    if (!hit.declaration.empty() && hit.kind != HitKind::Object) line += "   " + hit.declaration;
    return line;
}

std::string FtsQuery(std::string_view text)
{
    const QString all = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::string query;
    for (const QString& part : all.split(QChar(' '), Qt::SkipEmptyParts)) {
        std::string phrase;
        QString word;
        const auto endWord = [&] {
            if (word.isEmpty()) return;
            if (!phrase.empty()) phrase += ' ';
            phrase += word.toStdString();
            phrase += '*';
            word.clear();
        };
        for (const QChar c : part) {
            if (c.isLetterOrNumber() || c.isSurrogate())
                word += c;
            else
                endWord();
        }
        endWord();
        if (phrase.empty()) continue;
        if (!query.empty()) query += ' ';
        query += '"' + phrase + '"';
    }
    return query;
}

Result<ModelIndex> ModelIndex::Open(const fs::path& modelsFolder, bool rebuild)
{
    const fs::path file = modelsFolder / std::string(kIndexFileName);
    std::string discarded;
    std::error_code ec;
    const auto status = fs::symlink_status(file, ec);
    const bool present = fs::exists(status);
    if (present && fs::is_directory(status))
        return Error::FileSystem(EISDIR, file.string() + ": a folder is in the place of the search index");
    if (present && rebuild) {
        discarded = "a new index was asked for";
    } else if (present && fs::is_symlink(status)) {
        discarded = "the index is a link to another file";
    } else if (present) {
        auto db = Database::Open(file, "");
        if (db) {
            discarded = ProblemOf(*db);
            if (discarded.empty()) return ModelIndex(modelsFolder, file, std::move(*db), {}, false);
        } else {
            // The engine's own words speak of model files and passwords.
            discarded = DbPrimaryCode(db.error().code) == kDbCantOpen ? db.error().description
                                                                      : "the file is no database of its own";
        }
    }
    if (present) {
        auto removed = RemoveIndexFile(file);
        if (!removed) return removed.error();
    }
    auto db = CreateIndex(file);
    if (!db) {
        // Another search made the file meanwhile: use that one.
        std::error_code exists;
        if (!rebuild && !present && fs::exists(fs::symlink_status(file, exists))) {
            auto theirs = Database::Open(file, "");
            if (theirs && ProblemOf(*theirs).empty())
                return ModelIndex(modelsFolder, file, std::move(*theirs), {}, false);
        }
        return db.error().In("make the search index");
    }
    return ModelIndex(modelsFolder, file, std::move(*db), std::move(discarded), true);
}

Result<RefreshSummary> ModelIndex::Refresh(ProgressSink* progress, const std::atomic<bool>* cancel)
{
    RefreshSummary summary;
    summary.rebuilt = std::exchange(m_rebuilt, false);
    summary.discarded = std::exchange(m_discarded, {});

    auto onDisk = ListModels(m_folder);
    if (!onDisk) return onDisk.error();

    // What to drop (gone or changed) and what to read (new or changed),
    // against the models the index holds now.
    std::vector<std::int64_t> drop;
    std::vector<const ModelOnDisk*> toRead;
    const auto plan = [&]() -> Result<void> {
        drop.clear();
        toRead.clear();
        summary.unreadable.clear();
        summary.removed = 0;
        struct Known {
            std::int64_t id;
            FileStamp dat, inf;
            std::string problem;
        };
        std::map<std::string, Known> known;
        auto stmt = m_db.Prepare("SELECT Id, File, DatSize, DatTime, InfSize, InfTime, Problem FROM Models");
        if (!stmt) return stmt.error();
        for (;;) {
            auto more = stmt->Step();
            if (!more) return more.error();
            if (!*more) break;
            known[stmt->Text(1)] = {stmt->Integer(0),
                                    {stmt->Integer(2), stmt->Integer(3)},
                                    {stmt->Integer(4), stmt->Integer(5)},
                                    stmt->Text(6)};
        }
        std::set<std::string> present;
        for (const ModelOnDisk& model : *onDisk) {
            present.insert(model.file);
            const auto it = known.find(model.file);
            if (it != known.end() && it->second.dat == model.dat && it->second.inf == model.inf) {
                if (!it->second.problem.empty()) summary.unreadable.push_back(model.key + ": " + it->second.problem);
                continue;
            }
            if (it != known.end()) drop.push_back(it->second.id);
            toRead.push_back(&model);
        }
        for (const auto& [file, k] : known)
            if (!present.contains(file)) {
                drop.push_back(k.id);
                ++summary.removed;
            }
        return Ok();
    };
    if (auto r = plan(); !r) return r.error();
    summary.models = onDisk->size();
    if (drop.empty() && toRead.empty()) return summary;

    // Another process may be bringing the same file up to date: the write
    // lock is taken first (a write as the transaction's first statement
    // waits for it), and the plan made again under it.
    auto tx = m_db.Begin();
    if (!tx) return tx.error();
    if (auto r = m_db.Execute("UPDATE Meta SET Value = Value WHERE Name = 'format'"); !r) return r.error();
    if (auto r = plan(); !r) return r.error();
    if (drop.empty() && toRead.empty()) return summary;
    for (const std::int64_t id : drop) {
        Result<void> r = m_db.Execute("DELETE FROM Entries WHERE rowid BETWEEN ? AND ?",
                                      {id << kModelShift, (id << kModelShift) + kMaxEntriesPerModel});
        if (r) r = m_db.Execute("DELETE FROM Models WHERE Id = ?", {id});
        if (!r) return r.error();
    }

    // Opening an encrypted DAT file costs a key derivation; the files are
    // read on worker threads while this thread writes what they read.
    std::vector<std::promise<ModelEntries>> promises(toRead.size());
    std::vector<std::future<ModelEntries>> futures;
    for (auto& p : promises) futures.push_back(p.get_future());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    const unsigned workerCount = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::jthread> workers;
    for (unsigned w = 0; w < std::min<std::size_t>(workerCount, toRead.size()); ++w)
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < toRead.size();) {
                if (stop || (cancel && *cancel))
                    promises[i].set_value({});
                else
                    promises[i].set_value(ReadModel(m_folder / toRead[i]->file));
            }
        });
    const auto finish = [&] {
        stop = true;
        workers.clear();  // joins
    };

    auto modelInsert =
        Inserter::Prepare(m_db, "Models", {"File", "Key", "DatSize", "DatTime", "InfSize", "InfTime", "Problem"});
    auto entryInsert =
        Inserter::Prepare(m_db, "Entries", {"rowid", "Kind", "Object", "Name", "Declaration", "DocString"});
    if (!modelInsert || !entryInsert) {
        finish();
        return (!modelInsert ? modelInsert.error() : entryInsert.error());
    }
    for (std::size_t i = 0; i < toRead.size(); ++i) {
        if (cancel && *cancel) break;
        const ModelOnDisk& model = *toRead[i];
        if (progress)
            progress->Caption("Indexing " + model.key + " (" + std::to_string(i + 1) + " of " +
                              std::to_string(toRead.size()) + ")");
        ModelEntries read = futures[i].get();
        if (cancel && *cancel) break;
        auto id = modelInsert->Insert(
            {model.file, model.key, model.dat.size, model.dat.time, model.inf.size, model.inf.time, read.problem});
        if (!id) {
            finish();
            return id.error();
        }
        if (!read.problem.empty()) summary.unreadable.push_back(model.key + ": " + read.problem);
        std::int64_t rowid = *id << kModelShift;
        const std::size_t count = std::min<std::size_t>(read.entries.size(), kMaxEntriesPerModel);
        for (std::size_t e = 0; e < count; ++e) {
            const Entry& entry = read.entries[e];
            auto r = entryInsert->InsertView(
                {++rowid, entry.kind, entry.object, entry.name, entry.declaration, entry.docString});
            if (!r) {
                finish();
                return r.error();
            }
        }
        ++summary.read;
        if (progress) progress->Yield();
    }
    finish();
    if (auto r = tx->Commit(); !r) return r.error();
    return summary;
}

Result<std::vector<SearchHit>> ModelIndex::Search(std::string_view text)
{
    const std::string query = FtsQuery(text);
    if (query.empty()) return Error::Model("the search text has no word to look for");
    auto stmt = m_db.Prepare(
        "SELECT Models.Key, Entries.Object, Entries.Name, Entries.Declaration, Entries.Kind"
        " FROM Entries JOIN Models ON Models.Id = (Entries.rowid >> 24) WHERE Entries MATCH ?"
        " ORDER BY Models.Key COLLATE NOCASE, Models.Key, Entries.Object COLLATE NOCASE, Entries.Object,"
        " CASE Entries.Kind WHEN 0 THEN '' ELSE Entries.Name END COLLATE NOCASE,"
        " Entries.Declaration COLLATE NOCASE, Entries.Kind, Entries.rowid");
    if (!stmt) return stmt.error();
    if (auto r = stmt->Bind(1, query); !r) return r.error();
    std::vector<SearchHit> hits;
    for (;;) {
        auto more = stmt->Step();
        if (!more) return more.error().In("search the index");
        if (!*more) break;
        SearchHit hit;
        hit.model = stmt->Text(0);
        hit.object = stmt->Text(1);
        const auto kind = stmt->Integer(4);
        hit.kind = kind == kMemberKind ? HitKind::Member : kind == kConstantKind ? HitKind::Constant : HitKind::Object;
        if (hit.kind != HitKind::Object) hit.member = stmt->Text(2);
        hit.declaration = stmt->Text(3);
        hits.push_back(std::move(hit));
    }
    return hits;
}

Result<SearchOutcome> SearchModels(const fs::path& modelsFolder, std::string_view text, bool rebuild,
                                   ProgressSink* progress)
{
    if (FtsQuery(text).empty()) return Error::Model("the search text has no word to look for");
    auto index = ModelIndex::Open(modelsFolder, rebuild);
    if (!index) return index.error();
    SearchOutcome outcome;
    auto refreshed = index->Refresh(progress);
    if (!refreshed) {
        // A file that fails while in use is damaged after all: made anew once.
        if (DbPrimaryCode(refreshed.error().code) != kDbCorrupt || refreshed.error().domain != ErrorDomain::Database)
            return refreshed.error();
        index = ModelIndex::Open(modelsFolder, true);
        if (!index) return index.error();
        refreshed = index->Refresh(progress);
        if (!refreshed) return refreshed.error();
    }
    outcome.refresh = std::move(*refreshed);
    auto hits = index->Search(text);
    if (!hits) return hits.error();
    outcome.hits = std::move(*hits);
    return outcome;
}

}  // namespace arbolith::search
