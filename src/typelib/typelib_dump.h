// SPDX-License-Identifier: MIT
// A loaded library as text, one attribute per line, in the layout of the
// reference dumps kept under tests/data/typelib (so the two compare byte for
// byte) and of `arbolith-cli dump`. Text is ASCII; other characters are
// written as \uXXXX (UTF-16 units), newlines as \n, backslashes doubled.
// Lines end in LF (the reference dumps, made on Windows, in CR LF).
#pragma once

#include <string>

#include "typelib/typelib.h"

namespace arbolith {

std::string DumpTypeLib(const TypeLib& lib);

}  // namespace arbolith
