// SPDX-License-Identifier: MIT
// arbolith-cli: Arbolith without windows, for scripts, CI and large batches.
//   arbolith-cli dump LIBRARY[\N]   print what the type-library reader sees
#include "extract/typelib_dump.h"
#include "extract/typelib_loader.h"
#include "platform/typelib.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: arbolith-cli dump LIBRARY[\\N]\n"
    "  dump   print a type library as the reader sees it; \\N selects TYPELIB resource N\n";

int Dump(int count, char** libraries)
{
    if (count == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Imported libraries are looked for beside each library, then in the
    // Wine prefix's registry.
    const arbolith::LoadOptions options = arbolith::RegistryLoadOptions();
    int status = 0;
    for (int i = 0; i < count; ++i) {
        auto lib = arbolith::LoadTypeLib(libraries[i], options);
        if (!lib) {
            std::fprintf(stderr, "arbolith-cli: %s\n", lib.error().description.c_str());
            status = 1;
            continue;
        }
        const std::string text = arbolith::DumpTypeLib(*lib);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return status;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "dump")
        return Dump(argc - 2, argv + 2);
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
