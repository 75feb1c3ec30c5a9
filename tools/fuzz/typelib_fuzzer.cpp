// SPDX-License-Identifier: MIT
// libFuzzer entry for the type-library reader. The input is a whole file:
// a raw MSFT library, or a PE file whose TYPELIB resources are each loaded
// in turn. Every library that loads is also dumped and its members listed,
// so the code that walks a loaded library runs over whatever the reader let
// through. Imports never reach the file system: no folder, no search paths,
// and a registry callback that knows nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "typelib/pe_resources.h"
#include "typelib/typelib_dump.h"
#include "typelib/typelib_loader.h"

namespace {

using namespace arbolith;

// Loose cap on the resources tried per input, so one PE with thousands of
// TYPELIB entries does not turn every run into a timeout.
constexpr std::size_t kMaxResources = 8;

void Walk(const TypeLib& lib)
{
    std::size_t sink = DumpTypeLib(lib).size() + lib.CountOf(TypeKind::Coclass);
    for (const TypeInfo& type : lib.types) {
        for (const Member& m : Members(type)) sink += m.params.size() + m.name.size();
        if (auto i = DefaultInterface(type)) sink += type.implTypes.at(*i).ref.name.size();
        if (auto i = DefaultSourceInterface(type)) sink += type.implTypes.at(*i).ref.name.size();
        if (type.interfaceView) sink += Members(*type.interfaceView).size();
        sink += type.guid.ToString().size();
    }
    // Keeps the work above from being optimised away.
    volatile std::size_t keep = sink;
    (void)keep;
}

void LoadOne(std::string_view bytes, std::uint32_t resource, const LoadOptions& options)
{
    auto lib = LoadTypeLibFromBytes(bytes, "fuzz", resource, "", options);
    if (lib) {
        Walk(lib.value());
    } else if (lib.error().description.empty()) {
        __builtin_trap();  // every failure must say what went wrong
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LoadOptions options;
    options.locateRegistered = [](const Guid&, std::uint16_t, std::uint16_t) { return std::optional<std::string>(); };

    LoadOne(bytes, 0, options);

    ByteView view(bytes);
    if (!LooksLikePe(view)) return 0;
    auto ids = ListTypeLibResources(view);
    if (!ids) return 0;
    std::size_t tried = 0;
    for (std::uint32_t id : ids.value()) {
        if (id <= 1) continue;  // resource 1 is what the first load read
        if (++tried > kMaxResources) break;
        LoadOne(bytes, id, options);
    }
    return 0;
}
