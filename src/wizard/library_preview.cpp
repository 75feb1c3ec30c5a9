// SPDX-License-Identifier: MIT
// The first look at a library before its DAT file is made, and the short
// description of a DAT file already in the models folder.
#include "wizard/library_discovery.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <cstdio>

namespace arbolith {

namespace {

// "Interfaces" and "Modules" of section "Main" are integers; any other
// number than 0 ticks the box.
bool ReadIncludeFlag(const ProfileDocument& doc, std::string_view key)
{
    const auto text = doc.Get("Main", key);
    return text && ParseIniNumber(*text).value_or(0) != 0;
}

std::string Hex(int code)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(code));
    return buffer;
}

}  // namespace

PrelimInfo GetPrelimInfo(const std::string& libraryPath, std::uint32_t resource, const std::filesystem::path& infFile,
                         const LoadOptions& load)
{
    PrelimInfo info;
    const std::string loadPath = resource <= 1 ? libraryPath : libraryPath + "\\" + std::to_string(resource);
    auto lib = LoadTypeLib(loadPath, load);
    if (!lib) {
        info.description =
            "Error in " + libraryPath + ". \n&H" + Hex(lib.error().code) + ": " + lib.error().description;
        return info;
    }
    for (const TypeInfo& type : lib->types) {
        switch (type.kind) {
            case TypeKind::Dispatch:
                ++info.objects;
                info.members += static_cast<std::int64_t>(type.functions.size() + type.variables.size());
                break;
            case TypeKind::Enum:
                ++info.enums;
                break;
            case TypeKind::Interface:
                ++info.interfaces;
                break;
            case TypeKind::Module:
                ++info.modules;
                break;
            case TypeKind::Coclass:
                ++info.coclasses;
                break;
            default:
                break;
        }
    }
    info.description = "Library Name: " + lib->name + " Ver " + std::to_string(lib->majorVersion) + "." +
                       std::to_string(lib->minorVersion) + "\nFile: " + libraryPath + "\nDoc String: " + lib->doc +
                       "\nObjects: " + std::to_string(info.objects) + "   Members: " + std::to_string(info.members) +
                       "   Enums: " + std::to_string(info.enums) + "   Interfaces: " + std::to_string(info.interfaces) +
                       "   Modules: " + std::to_string(info.modules) +
                       "   CoClasses: " + std::to_string(info.coclasses);
    if (FileExists(infFile)) {
        if (auto doc = ProfileDocument::Load(infFile)) {
            info.infInterfaces = ReadIncludeFlag(*doc, "Interfaces");
            info.infModules = ReadIncludeFlag(*doc, "Modules");
        }
    }
    if (info.objects == 0)
        info.result = PrelimResult::NoObjects;
    else if (info.members > 10000)
        info.result = PrelimResult::Big;
    else
        info.result = PrelimResult::Fine;
    return info;
}

DatFileDescription DescribeDatFile(const std::filesystem::path& modelsFolder, std::string_view baseName)
{
    DatFileDescription out;
    out.modelName = "<unnamed>";
    // The base name is used whole: "a.b" names a.b.DAT, not a.DAT.
    const std::filesystem::path infFile = FindEntryNoCase(modelsFolder, std::string(baseName) + ".INF");
    if (FileExists(infFile)) {
        if (auto doc = ProfileDocument::Load(infFile)) {
            out.modelName = Trim(doc->Get("Main", "ModelName").value_or(""));
            out.interfaces = ReadIncludeFlag(*doc, "Interfaces");
            out.modules = ReadIncludeFlag(*doc, "Modules");
        }
    }
    const std::filesystem::path datFile = FindEntryNoCase(modelsFolder, std::string(baseName) + ".DAT");
    auto db = OpenDatFile(datFile, true);
    if (!db) {
        out.text = "The data file " + datFile.string() + " cannot be read. " + db.error().description;
        return out;
    }
    auto stmt =
        db->Prepare("SELECT TL_Name, FQLibName, LibDate, LibSize, TL_DocString FROM " + QuoteIdentifier(kLibraryTable));
    auto row = stmt ? stmt->Step() : Result<bool>(stmt.error());
    if (!row || !*row) {
        out.text = "The data file " + datFile.string() + " has no library description. " +
                   (row ? std::string("Its Library table is empty.") : row.error().description);
        return out;
    }
    out.text = "Library Name: " + stmt->Text(0) + "\nFrom " + stmt->Text(1) + ",  Date " + stmt->Text(2) +
               ",  Size: " + stmt->Text(3) + "\n" + stmt->Text(4);
    out.readable = true;
    return out;
}

}  // namespace arbolith
