// SPDX-License-Identifier: MIT
// The extraction driver and its error log: one library file in, one complete
// DAT file out, with progress captions, log lines and the closing messages.
#include "extract/extraction.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "store/dat_schema.h"

#include <chrono>
#include <exception>
#include <fstream>
#include <system_error>

namespace arbolith {

void ExtractionLog::Append(std::string_view line)
{
    m_lines.emplace_back(line);
    if (m_file.empty()) return;
    // Opened per line: a run writes few lines, and an interrupted run keeps
    // everything written before the interruption.
    std::ofstream out(m_file, std::ios::binary | std::ios::app);
    if (out) out << line << '\n';
}

void ExtractionLog::StepFailed(std::string_view step, const Error& error)
{
    Append("Error in " + std::string(step) + ": " + error.Number() + "- " + error.description);
    errorFlag = true;
}

namespace {

constexpr std::string_view kSomeErrorsMessage =
    "Some errors occurred in extracting data from the object library."
    " (This is not necessarily unusual--the errors may not require attention.)"
    " Please check the file ErrorLog.txt"
    " in the ARL directory for details.";

bool IsResourceNumber(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void RemoveQuietly(const std::filesystem::path& file)
{
    std::error_code ec;
    std::filesystem::remove(file, ec);
    std::filesystem::remove(file.string() + "-journal", ec);
}

std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

class Run {
public:
    Run(const std::string& path, std::string& resource, const ExtractOptions& options, ProgressSink& progress,
        Prompt& prompt)
        : m_path(path),
          m_resource(resource),
          m_options(options),
          m_progress(progress),
          m_prompt(prompt),
          m_log(options.errorLog)
    {
    }

    ExtractionResult Go()
    {
        if (!IsResourceNumber(m_resource)) m_resource = "1";
        const std::string fileName = GetFileNamePart(m_path);

        m_progress.Caption("Extracting data from library ...");
        m_progress.Yield();
        PrepareDatFileKey();  // the file's key is derived while the library is read
        const std::string loadPath = m_resource == "1" ? m_path : m_path + "\\" + m_resource;
        auto lib = LoadTypeLib(loadPath, m_options.load);
        if (!lib) {
            const Error& e = lib.error();
            m_log.Append("TypeLibInfoFromFile error for " + m_path + ". " + e.Number() + ": " + e.description);
            m_prompt.Tell(e.description, PromptIcon::Critical);
            m_prompt.Tell("Error opening type library " + m_path +
                              ". More details are in the ErrorLog.txt file in the ARL folder.",
                          PromptIcon::Critical);
            return Failure(e.description);
        }

        WorkLists work = WalkAndReleaseTypeLib(*lib, m_options.inclInterfaces, m_options.inclModules, m_progress);
        m_result.counters = work.counters;
        RunSteps(work);

        // The new file is written beside the old one, which stays as it is,
        // byte for byte, unless the new one is complete and on disk.
        const std::filesystem::path datFile = GetDatFileName(m_path, m_options.modelsFolder);
        const std::filesystem::path partial = datFile.string() + ".partial";
        RemoveQuietly(partial);
        if (auto stored = Store(*lib, work, partial); !stored) {
            RemoveQuietly(partial);
            return FileFailure(datFile, stored.error(), !m_storeLogged);
        }
        m_result.edges = static_cast<std::int64_t>(work.edges.size());
        if (auto replaced = ReplaceFileWith(datFile, partial); !replaced) {
            RemoveQuietly(partial);
            return FileFailure(datFile, replaced.error());
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
        if (m_options.keepRows) m_result.rows = std::move(work);
        return std::move(m_result);
    }

private:
    // Steps 2 to 4 rework the rows in memory; they cannot fail short of
    // running out of memory, which ends the whole run.
    void RunSteps(WorkLists& work)
    {
        m_progress.Caption("Coclass replacements ...");
        m_progress.Yield();
        ReplaceWithCoClassNames(work);

        m_progress.Caption("Processing tables ... ");
        m_progress.Yield();
        ProcessTables(work, m_options.inclInterfaces, m_options.inclModules, m_progress);

        m_progress.Caption("Preparing edges ... ");
        m_progress.Yield();
        CreateEdges(work, m_log, m_path);
    }

    // Writes the Library row, then the other tables in SaveOMD's one
    // transaction, and closes the file. Any failure (a row the tables refuse,
    // a full disk) fails the run: a model without its tables is no model.
    // SaveOMD's failure is logged as its step's.
    Result<void> Store(const TypeLib& lib, const WorkLists& work, const std::filesystem::path& partial)
    {
        m_progress.Caption("Storing data ...");
        m_progress.Yield();
        auto db = CreateDatFile(partial, DatFileUse::FillOnce);
        if (!db) return db.error();
        auto written = WriteLibraryRow(
            *db, MakeLibraryRow(lib, work, m_path, m_resource, m_options.inclInterfaces, m_options.inclModules));
        if (!written) return written.error();
        if (auto saved = SaveOMD(*db, work, m_progress); !saved) {
            m_log.StepFailed("SaveOMD", saved.error());
            m_storeLogged = true;
            return saved.error();
        }
        return Ok();
    }

    ExtractionResult Failure(std::string why)
    {
        m_result.ok = false;
        m_result.failure = std::move(why);
        m_result.milliseconds = MillisecondsSince(m_start);
        return std::move(m_result);
    }

    // The new file could not be made or finished: nothing replaces the old one.
    ExtractionResult FileFailure(const std::filesystem::path& datFile, const Error& error, bool log = true)
    {
        if (log)
            m_log.Append("Error creating data file " + datFile.string() + ". " + error.Number() + ": " +
                         error.description);
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
    bool m_storeLogged = false;  // Store's failure is in the log already
    ExtractionResult m_result;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace

ExtractionResult ExtractFromTypeLib(const std::string& path, std::string& resource, const ExtractOptions& options,
                                    ProgressSink& progress, Prompt& prompt)
{
    if (path.empty()) return {};
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
