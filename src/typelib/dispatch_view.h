// SPDX-License-Identifier: MIT
// The two views of a dual interface (see typelib.h), built the same way
// whichever file format stored the interface. Both formats store a dual once,
// with its own functions in vtable form and its base interface; the dispatch
// view needs the functions of the whole base chain, possibly from imported
// libraries, so it is built after every type of the library has been read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "typelib/byte_reader.h"
#include "typelib/typelib.h"

namespace arbolith {

// The base interface the file stored with dual type `index`, or nullopt.
using StoredBaseOf = std::function<std::optional<TypeRef>(std::uint32_t index)>;

// On entry each dual of `lib` (kind Dispatch, flagged dual) holds its own
// functions as stored. On return `interfaceView` holds those with the stored
// base, and the type itself the dispatch view: the base chain's functions
// first, every function in dispatch form. A base that is itself a dual of
// this library gets its views first, whatever the order of the types.
// `byteLimit` bounds what the copied base functions may add up to, so a
// crafted file whose many duals share one wide base cannot multiply it into
// gigabytes; past it the library fails.
Read<bool> BuildDispatchViews(TypeLib& lib, const StoredBaseOf& storedBase, std::uint64_t byteLimit);

}  // namespace arbolith
