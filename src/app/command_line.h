// SPDX-License-Identifier: MIT
// The desktop program's command line, decided before any window can be
// made: --help and --version answer without a display, and a start without
// any display ends with one clear line instead of the toolkit's abort.
#pragma once

#include <QStringList>

#include <functional>
#include <string>

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
// rest is acceptable, else the line to print (an unknown option, or a
// positional argument, which the program does not take).
std::string CheckRemainingArguments(const QStringList& arguments);

}  // namespace arbolith
