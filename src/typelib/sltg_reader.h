// SPDX-License-Identifier: MIT
// Parser of the SLTG type-library format, the older of the two formats COM
// type libraries are stored in: bytes in, the same TypeLib the MSFT parser
// gives, or the first error. Imported libraries come through the same
// callback as for MSFT, so the parser never touches the file system.
#pragma once

#include "typelib/byte_reader.h"
#include "typelib/msft_reader.h"
#include "typelib/typelib.h"

namespace arbolith {

class SltgReader {
public:
    // Reads the whole library held in `data`. Damage to the block directory,
    // the library block or a type's header fails it, naming the cause; a
    // member record that cannot be read is left out and its type kept.
    static Read<TypeLib> Open(ByteView data, const ImportResolver& resolveImport = {});

    // The library's GUID and version, read without the rest.
    static Read<MsftReader::Identity> PeekIdentity(ByteView data);
};

}  // namespace arbolith
