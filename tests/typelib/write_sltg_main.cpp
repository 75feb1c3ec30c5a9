// SPDX-License-Identifier: MIT
// arbolith-write-sltg IN OUT: loads the type library IN (a file, or
// "file\N" for TYPELIB resource N) and writes it to OUT in the SLTG format.
// Imports resolve against the Wine libraries, so references to stdole2 keep
// their library. A test tool; not installed.
//
// The SLTG fixtures in tests/data/typelib/idl and their golden dumps were
// made so, from the repository's top folder, with the oracle dumper
// (tlbdump.exe) and WINEPREFIX set up as tools/make-typelib-goldens.sh does:
//
//   for name in automation records cyrillic; do
//     build/bin/arbolith-write-sltg tests/data/typelib/idl/$name.tlb tests/data/typelib/idl/sltg-from-$name.tlb
//   done
//   dump() {  # LOCALE NAME; W is the repository's folder as Wine names it, Z:/work/...
//     LC_ALL=$1 /usr/lib/wine/wine64 "$ORACLE/tlbdump.exe" "$W/tests/data/typelib/idl/sltg-from-$2.tlb" |
//       tr -d '\r' | gzip -n -9 > tests/data/typelib/oracle/sltg-from-$2.tlb.1.txt.gz
//   }
//   W="Z:$(pwd)"; dump C.UTF-8 automation; dump C.UTF-8 records; dump ru_RU.UTF-8 cyrillic
#include "typelib/sltg_writer.h"
#include "typelib/typelib.h"
#include "typelib/typelib_loader.h"

#include <cstdio>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: arbolith-write-sltg IN OUT\n";
        return 2;
    }
    arbolith::LoadOptions options;
    options.searchPaths = arbolith::WineLibraryFolders();
    auto lib = arbolith::LoadTypeLib(argv[1], options);
    if (!lib.ok()) {
        std::cerr << argv[1] << ": " << lib.error().description << "\n";
        return 1;
    }
    auto bytes = arbolith::test::TryWriteSltg(lib.value());
    if (!bytes.ok()) {
        std::cerr << argv[1] << ": " << bytes.error().description << "\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(bytes.value().data(), static_cast<std::streamsize>(bytes.value().size()));
    out.close();
    if (!out) {
        std::cerr << argv[2] << ": cannot write\n";
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
