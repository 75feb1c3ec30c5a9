// SPDX-License-Identifier: MIT
// A loaded type library as a JSON object, for `arbolith-cli dump --json`:
// the reader's data as it holds it, every number a number, every reference
// to another type by name and library. Unlike the text dump it shows each
// member's own name and doc string, and the library's flags as stored.
#pragma once

#include "platform/json_writer.h"
#include "typelib/typelib.h"

#include <string_view>

namespace arbolith::cli {

// Writes one object describing `lib`; `file` is the name it was asked by.
void WriteTypeLibJson(JsonWriter& json, const TypeLib& lib, std::string_view file);

}  // namespace arbolith::cli
