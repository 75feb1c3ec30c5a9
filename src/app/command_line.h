// SPDX-License-Identifier: MIT
// The desktop program's command line, decided before any window can be
// made: --help and --version answer without a display, and a start without
// any display ends with one clear line instead of the toolkit's abort. The
// one FILE argument (a type library or a model key) is judged here too,
// without windows, once the models folder is known.
#pragma once

#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith {

// Reads an environment variable; "" when it is unset.
using EnvironmentLookup = std::function<std::string(const char* name)>;
std::string EnvironmentVariable(const char* name);

struct LaunchDecision {
    bool run = true;  // false: print `output` / `error` and end with `exitCode`
    int exitCode = 0;
    std::string output;  // for standard output
    std::string error;   // for standard error, one line
};

// `arguments` as given (the program's name first). --help (-h) and
// --version (-v) print and end with 0. Otherwise the program runs when it
// has somewhere to show its windows: DISPLAY or WAYLAND_DISPLAY is set, or
// a platform is chosen (QT_QPA_PLATFORM, or the toolkit's -platform
// option); with none of them it ends with 2.
LaunchDecision DecideLaunch(const QStringList& arguments, const EnvironmentLookup& environment = EnvironmentVariable);

// After the toolkit has taken its own options from `arguments`: "" when the
// rest is acceptable, else the line to print (an unknown option, or more
// than the one FILE argument).
std::string CheckRemainingArguments(const QStringList& arguments);

// The FILE argument left after the toolkit's options; nullopt when none.
std::optional<std::string> FileArgument(const QStringList& arguments);

// What the FILE argument asks the program to open.
enum class OpenKind {
    Library,   // the Create Model Wizard with `path` (resource `resource`) chosen
    Model,     // the model `modelKey` of the models folder
    Unusable,  // neither: `message` says why; the program starts as usual
};
struct OpenRequest {
    OpenKind kind = OpenKind::Unusable;
    std::string path;            // absolute
    std::uint32_t resource = 0;  // 0: the library itself, or resource 1 of a PE file
    std::string modelKey;
    std::string message;
};

// A type library is a file named *.tlb, *.olb, *.dll, *.ocx or *.exe (in
// any case), or any file that begins as a type library does ("MSFT" or
// "SLTG"), optionally followed by "\N" for resource N; a relative path is
// taken from `workingFolder`. An argument naming no file is a model key
// when the models folder holds that model's DAT file.
OpenRequest ClassifyFileArgument(std::string_view argument, const std::filesystem::path& modelsFolder,
                                 const std::filesystem::path& workingFolder);

}  // namespace arbolith
