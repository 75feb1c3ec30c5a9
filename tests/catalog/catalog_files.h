// SPDX-License-Identifier: MIT
// Model files for catalog tests: real DAT files with a description in their
// Library table, INF files as the wizard writes them, and a record of a
// folder's files to prove a read changed none of them.
#pragma once

#include "store/dat_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace arbolith::test {

inline void MakeCatalogDat(const std::filesystem::path& file, const std::string& library)
{
    auto db = CreateDatFile(file);
    ASSERT_TRUE(db.ok()) << db.error().description;
    ASSERT_TRUE(db->Execute("INSERT INTO Library (Library) VALUES (?)", {library}).ok());
}

inline void MakeCatalogInf(const std::filesystem::path& file, const std::string& modelName, const std::string& library,
                           const std::string& categoryLine)
{
    WriteBytes(file, "[Main]\nModelName=" + modelName + "\nLibrary=" + library + "\n" + categoryLine + "\n");
}

// Each file's size and contents.
inline std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        contents[entry.path().filename().string()] = entry.is_regular_file() ? ReadBytes(entry.path()) : "<folder>";
    return contents;
}

}  // namespace arbolith::test
