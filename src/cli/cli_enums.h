// SPDX-License-Identifier: MIT
// arbolith-cli enums MODEL|--vba [--find TEXT] [--models DIR]: the
// enumerations of a model (or of VB/VBA, from Special.mdb), one constant a
// line as "Enum<TAB>Constant<TAB>Value", enumerations by name and constants by
// value; with --find, the constants whose name contains TEXT, by enumeration.
// arbolith-cli enum-code MODEL|--vba ENUM [--select] [--models DIR]: the text
// the enum viewer copies for an enumeration (the commented Enum block), or
// with --select its Select Case function, CR LF line ends included.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace arbolith::cli {

struct EnumsOptions {
    std::vector<std::string> args;  // enums: [MODEL]; enum-code: [MODEL] ENUM
    bool vba = false;               // the VB/VBA enumerations instead of a model's
    std::string find;               // enums: search text; empty lists all
    bool findGiven = false;
    bool select = false;  // enum-code: the Select Case function
    std::filesystem::path modelsFolder;
    // enums: one JSON document, the enumerations each with its constants.
    bool json = false;
};

// Each returns the exit status.
int EnumsCommand(const EnumsOptions& options);
int EnumCodeCommand(const EnumsOptions& options);

}  // namespace arbolith::cli
