// SPDX-License-Identifier: MIT
// Parser of the MSFT type-library format: bytes in, a complete TypeLib out,
// or the first error. Imported libraries are obtained through a callback so
// the parser itself never touches the file system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "typelib/byte_reader.h"
#include "typelib/typelib.h"

namespace arbolith {

// An imported library as the importing file describes it.
struct ImportedLibrary {
    Guid guid;
    std::uint32_t lcid = 0;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::string fileName;  // as stored ("stdole2.tlb")
};

// Returns the loaded library, or nullptr when it cannot be found.
using ImportResolver = std::function<std::shared_ptr<const TypeLib>(const ImportedLibrary&)>;

class MsftReader {
public:
    // Reads the whole library held in `data`. Damage that leaves the library
    // unusable (header, segment directory or typeinfo table out of range,
    // member block past the end) fails it; a single unreadable member record,
    // name or string is dropped or left empty and the type still listed.
    static Read<TypeLib> Open(ByteView data, const ImportResolver& resolveImport = {});

    // Cheap look at the header: GUID and version, for finding a library by them.
    struct Identity {
        Guid guid;
        std::uint16_t major = 0;
        std::uint16_t minor = 0;
    };
    static Read<Identity> PeekIdentity(ByteView data);
};

}  // namespace arbolith
