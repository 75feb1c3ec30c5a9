// SPDX-License-Identifier: MIT
// Writes a TypeLib as the bytes of an SLTG type library (the older format of
// 16-bit and early 32-bit tools), so the tests have SLTG input of any shape:
// every type kind, dual interfaces, functions with parameters and flags,
// variables and constants, implemented interfaces, help strings and
// contexts, and references to types of imported libraries.
//
// What the format cannot hold, and what the writer does with it:
//  - member help contexts are 16-bit, with 0xFFFE meaning none: a context of
//    0 or above 0xFFFD is written as none;
//  - type flags keep bits 0-12 only: TYPEFLAG_FREVERSEBIND (0x2000),
//    TYPEFLAG_FPROXY (0x4000) and higher bits are dropped;
//  - the LCID is 16-bit: its sort-order bits are dropped;
//  - a function holds at most 31 parameters and 63 optional ones: further
//    parameters are dropped and the optional count is clamped; a vararg
//    function (optional count -1) is written with none;
//  - parameter flags are in, out, in+out, none, lcid and retval only:
//    "optional" comes back for the last parameters the optional count
//    covers, "has default" and default values are lost;
//  - a base variant type above 63 (VT_FILETIME, VT_CLSID ...) has no code:
//    it is written as VT_EMPTY;
//  - a module's DLL name, a variable's VAR_STATIC kind, record field offsets
//    and type sizes are not in the model: fields are 0, statics are written
//    per instance, the DLL name is dropped;
//  - a fixed-size array's bounds are not in the model: one dimension of no
//    elements is written;
//  - a reference to an imported type names the type by its index in that
//    library: a reference whose index is unknown stays unresolved;
//  - a constant value is either a 16-bit unsigned number held in the
//    variable record or data beside it in the value's own type: a 32-bit
//    integer, 8 bytes for 64-bit integers and currency, a float or double
//    for reals and dates, a counted string for strings;
//  - a dispinterface's IDispatch is implied, not written: readers that
//    follow a stored one (Wine's loader does) list IDispatch's functions as
//    the dispinterface's own;
//  - an unnamed parameter is written with the empty name, which reads back
//    as no name (a parameter marked unnamed reads as the function's name in
//    Wine's loader).
//
// Limits it refuses to write past (the file would be unreadable): more than
// 5956 types (block index strings are reached through 16-bit offsets), a name
// table past 64 KB of offsets, or a type whose member data is over 64 KB.
#pragma once

#include <string>

#include "platform/result.h"
#include "typelib/typelib.h"

namespace arbolith::test {

// The SLTG bytes of `lib`, or an error naming the limit a library goes past.
Result<std::string> TryWriteSltg(const TypeLib& lib);

// As TryWriteSltg; a library past a limit throws std::runtime_error with the
// message.
std::string WriteSltg(const TypeLib& lib);

}  // namespace arbolith::test
