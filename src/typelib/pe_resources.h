// SPDX-License-Identifier: MIT
// Finds TYPELIB resources in a PE32 or PE32+ file held in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "typelib/byte_reader.h"

namespace arbolith {

// True when the bytes start like a PE file ("MZ").
bool LooksLikePe(ByteView file);

// Ids of the TYPELIB resources, ascending. A file without a resource section
// or TYPELIB type gives an empty list; a damaged header or tree an error.
Read<std::vector<std::uint32_t>> ListTypeLibResources(ByteView file);

// The data of TYPELIB resource `id` (first language), as a window on `file`.
// ErrCode::NotFound when the file has no such resource.
Read<ByteView> FindTypeLibResource(ByteView file, std::uint32_t id);

}  // namespace arbolith
