// SPDX-License-Identifier: MIT
// arbolith-cli's dump, extract and make commands, given their parsed
// command lines. Each returns the exit status: 0 done, 1 failed.
#pragma once

#include "wizard/model_from_library.h"

#include <filesystem>
#include <string>
#include <vector>

namespace arbolith::cli {

struct DumpOptions {
    std::vector<std::string> libraries;
    // One JSON document: the libraries read, and for each one that could
    // not be, its name and why (also told on stderr; the status is then 1).
    bool json = false;
};

struct ExtractOptionsGiven {
    std::vector<std::string> libraries;
    bool interfaces = false;
    bool modules = false;
    std::filesystem::path modelsFolder;  // empty: the application's
};

struct MakeOptions {
    ModelRequest request;
    std::filesystem::path modelsFolder;  // empty: the application's
};

int DumpCommand(const DumpOptions& options);
int ExtractCommand(const ExtractOptionsGiven& options);
// A top object named on the command line must be an object of the library
// unless it is to be a custom one: a name that is not stops the command
// before anything is saved, naming the library's objects closest to it.
int MakeCommand(MakeOptions options);

}  // namespace arbolith::cli
