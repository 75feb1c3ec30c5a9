// SPDX-License-Identifier: MIT
// The extraction driver and its error log: one library file in, one complete
// DAT file out, with progress captions, log lines and the closing messages.
#include "extract/extraction.h"
#include "store/dat_schema.h"
#include "app/paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fstream>
#include <system_error>

namespace arbolith {

void ExtractionLog::Append(std::string_view line)
{
    m_lines.emplace_back(line);
    if (m_file.empty())
        return;
    // Opened per line: a run writes few lines, and an interrupted run keeps
    // everything written before the interruption.
    std::ofstream out(m_file, std::ios::binary | std::ios::app);
    if (out)
        out << line << '\n';
}

void ExtractionLog::Failed(std::string_view what, const Error& error)
{
    Append(std::string(what) + ": " + std::to_string(error.number) + "- " + error.description);
    errorFlag = true;
}

void ExtractionLog::StepFailed(std::string_view step, const Error& error)
{
    Failed("Error in " + std::string(step), error);
}

namespace {

constexpr std::string_view kSomeErrorsMessage =
    "Some errors occurred in extracting data from the object library."
    " (This is not necessarily unusual--the errors may not require attention.)"
    " Please check the file ErrorLog.txt"
    " in the ARL directory for details.";

bool IsResourceNumber(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Runs one step inside its own transaction: a failed step leaves the file as
// it was before the step, its failure is logged, and the run goes on.
template <class Step>
void RunStep(Database& db, ExtractionLog& log, std::string_view logPrefix, Step&& step)
{
    auto transaction = db.Begin();
    if (!transaction) {
        log.Failed(logPrefix, transaction.error());
        return;
    }
    if (auto done = step(); !done) {
        log.Failed(logPrefix, done.error());
        (void)transaction->Rollback();  // the destructor would too; the step's error is the one to report
        return;
    }
    if (auto committed = transaction->Commit(); !committed)
        log.Failed(logPrefix, committed.error());
}

void RemoveQuietly(const std::filesystem::path& file)
{
    std::error_code ec;
    std::filesystem::remove(file, ec);
    std::filesystem::remove(file.string() + "-journal", ec);
}

Result<void> FlushToDisk(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Error{errno, "open " + file.string() + ": " + std::strerror(errno)};
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        return Error{error, "flush " + file.string() + ": " + std::strerror(error)};
    return Ok();
}

std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

class Run {
public:
    Run(const std::string& path, std::string& resource, const ExtractOptions& options, ProgressSink& progress,
        Prompt& prompt)
        : m_path(path), m_resource(resource), m_options(options), m_progress(progress), m_prompt(prompt),
          m_log(options.errorLog)
    {
    }

    ExtractionResult Go()
    {
        if (!IsResourceNumber(m_resource))
            m_resource = "1";
        const std::string fileName = GetFileNamePart(m_path);

        m_progress.Caption("Extracting data from library ...");
        m_progress.Yield();
        const std::string loadPath = m_resource == "1" ? m_path : m_path + "\\" + m_resource;
        auto lib = LoadTypeLib(loadPath, m_options.load);
        if (!lib) {
            const Error& e = lib.error();
            m_log.Append("TypeLibInfoFromFile error for " + m_path + ". " + std::to_string(e.number) + ": " +
                         e.description);
            m_prompt.Tell(e.description, PromptIcon::Critical);
            m_prompt.Tell("Error opening type library " + m_path +
                              ". More details are in the ErrorLog.txt file in the ARL folder.",
                          PromptIcon::Critical);
            return Failure(e.description);
        }

        const WorkLists work = WalkTypeLib(*lib, m_options.inclInterfaces, m_options.inclModules, m_progress);
        m_result.counters = work.counters;

        // The whole model is built in memory, where rewriting rows costs no
        // cipher work, and written out once as a new file beside the old
        // one, which stays as it is until the new one is complete.
        const std::filesystem::path datFile = GetDatFileName(m_path, m_options.modelsFolder);
        const std::filesystem::path partial = datFile.string() + ".partial";
        RemoveQuietly(partial);
        {
            auto db = CreateDatInMemory();
            if (!db)
                return FileFailure(datFile, db.error());
            auto written = WriteLibraryRow(*db, MakeLibraryRow(*lib, work, m_path, m_resource,
                                                               m_options.inclInterfaces, m_options.inclModules));
            if (!written)
                return FileFailure(datFile, written.error());
            RunSteps(*db, work);
            m_result.edges = CountEdges(*db);
            if (auto saved = WriteDatFile(*db, partial); !saved)
                return FileFailure(datFile, saved.error());
        }

        if (auto flushed = FlushToDisk(partial); !flushed) {
            RemoveQuietly(partial);
            return FileFailure(datFile, flushed.error());
        }
        std::error_code ec;
        std::filesystem::rename(partial, datFile, ec);
        if (ec) {
            RemoveQuietly(partial);
            return FileFailure(datFile, Error{ec.value(), "rename " + partial.string() + ": " + ec.message()});
        }

        m_progress.Caption("Data file created successfully");
        m_result.ok = true;
        m_result.datFile = datFile;
        m_result.windowTitle = "Create Model Wizard - " + fileName;
        if (m_log.errorFlag) {
            m_result.errorsLogged = true;
            m_prompt.Tell(std::string(kSomeErrorsMessage), PromptIcon::Information);
        }
        m_result.milliseconds = MillisecondsSince(m_start);
        return std::move(m_result);
    }

private:
    void RunSteps(Database& db, const WorkLists& work)
    {
        m_progress.Caption("Storing data ...");
        m_progress.Yield();
        // SaveOMD keeps its own transaction; RunStep's would only nest it.
        if (auto saved = SaveOMD(db, work, m_progress); !saved)
            m_log.StepFailed("SaveOMD", saved.error());

        m_progress.Caption("Coclass replacements ...");
        m_progress.Yield();
        RunStep(db, m_log, "Error in ReplaceWithCoClassNames", [&] { return ReplaceWithCoClassNames(db); });

        m_progress.Caption("Processing tables ... ");
        m_progress.Yield();
        RunStep(db, m_log, "Error in ProcessTables",
                [&] { return ProcessTables(db, m_options.inclInterfaces, m_options.inclModules, m_progress); });

        m_progress.Caption("Preparing edges ... ");
        m_progress.Yield();
        RunStep(db, m_log, "General Error in CreateEdges", [&] { return CreateEdges(db, m_log, m_path); });
    }

    static std::int64_t CountEdges(Database& db)
    {
        auto count = db.QueryValue("SELECT COUNT(*) FROM Edges");
        return count && *count ? (*count)->AsInteger() : 0;
    }

    ExtractionResult Failure(std::string why)
    {
        m_result.ok = false;
        m_result.failure = std::move(why);
        m_result.milliseconds = MillisecondsSince(m_start);
        return std::move(m_result);
    }

    // The new file could not be made or finished: nothing replaces the old one.
    ExtractionResult FileFailure(const std::filesystem::path& datFile, const Error& error)
    {
        m_log.Append("Error creating data file " + datFile.string() + ". " + std::to_string(error.number) +
                     ": " + error.description);
        m_prompt.Tell("Error creating data file " + datFile.string() +
                          ". More details are in the ErrorLog.txt file in the ARL folder.",
                      PromptIcon::Critical);
        return Failure(error.description);
    }

    const std::string& m_path;
    std::string& m_resource;
    const ExtractOptions& m_options;
    ProgressSink& m_progress;
    Prompt& m_prompt;
    ExtractionLog m_log;
    ExtractionResult m_result;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace

ExtractionResult ExtractFromTypeLib(const std::string& path, std::string& resource, const ExtractOptions& options,
                                    ProgressSink& progress, Prompt& prompt)
{
    if (path.empty())
        return {};
    try {
        return Run(path, resource, options, progress, prompt).Go();
    } catch (const std::exception& e) {
        // Out of memory and the like: report it as the driver's own failure.
        prompt.Tell("Error in ExtractFromTypeLib. 0: " + std::string(e.what()), PromptIcon::Critical);
        ExtractionResult failed;
        failed.failure = e.what();
        return failed;
    }
}

}  // namespace arbolith
