// SPDX-License-Identifier: MIT
// Small DAT and INF files for browser tests, written through the store: a
// model is listed as objects, edges and members, and the file is made the
// way extraction makes it.
#pragma once

#include "platform/database.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace arbolith::test {

struct DatObject {
    std::string name{};
    bool isCollection = false;
    std::string memberName{};
    std::string hiddenState{};
    std::string helpId = "0";
    std::string flags{};
    std::string defaultName = "None";
    std::int64_t childCount = 0;
    bool isCustom = false;
};

struct DatEdge {
    std::optional<std::int64_t> parent;  // nullopt: Null
    std::optional<std::int64_t> child;
    std::string label{};
};

struct DatMember {
    std::int64_t objectKey = 0;
    std::string name{};
    std::string invokeType = "propget";
    std::string access{};
    std::string hiddenState{};
    std::string helpId = "0";
};

// Objects get keys 0, 1, 2, ... in order.
inline void WriteDat(const std::filesystem::path& file, const std::vector<DatObject>& objects,
                     const std::vector<DatEdge>& edges, const std::vector<DatMember>& members = {},
                     const std::string& helpFile = "")
{
    auto db = CreateDatFile(file);
    ASSERT_TRUE(db.ok()) << db.error().description;
    ASSERT_TRUE(CreateDataTables(*db).ok());
    auto transaction = db->Begin();
    ASSERT_TRUE(transaction.ok());
    ASSERT_TRUE(db->Execute("INSERT INTO Library (Library, TL_HelpFile) VALUES (?, ?)", {"x.tlb", helpFile}).ok());
    auto o = Inserter::Prepare(*db, "Objects",
                               {"Key", "Name", "RawName", "NameX", "IsCollection", "MemberName", "HiddenState",
                                "HelpID", "Flags", "DefaultName", "cChildObjects", "IsCustom", "DocString"});
    ASSERT_TRUE(o.ok()) << o.error().description;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const DatObject& x = objects[i];
        ASSERT_TRUE(
            o->Insert({static_cast<std::int64_t>(i), x.name, x.name, "", x.isCollection, x.memberName, x.hiddenState,
                       x.helpId, x.flags, x.defaultName, x.childCount, x.isCustom, "doc of " + x.name})
                .ok());
    }
    auto e = Inserter::Prepare(*db, "Edges",
                               {"ParentObjectKey", "ParentObjectName", "ChildObjectKey", "ChildObjectName", "Label"});
    ASSERT_TRUE(e.ok());
    for (const DatEdge& x : edges) ASSERT_TRUE(e->Insert({x.parent, "p", x.child, "c", x.label}).ok());
    auto f = Inserter::Prepare(*db, "Functions",
                               {"Key", "Name", "ObjectName", "ObjectKey", "InvokeType", "Access", "HiddenState",
                                "HelpID", "Declaration", "DocString", "ReturnType"});
    ASSERT_TRUE(f.ok());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const DatMember& m = members[i];
        ASSERT_TRUE(f->Insert({static_cast<std::int64_t>(i), m.name, "o", m.objectKey, m.invokeType, m.access,
                               m.hiddenState, m.helpId, "Property " + m.name + "()", "about " + m.name, "Long"})
                        .ok());
    }
    ASSERT_TRUE(transaction->Commit().ok());
}

// An INF file naming a built-in top object and its key.
inline void WriteInf(const std::filesystem::path& file, const std::string& top, std::int32_t topKey,
                     bool topOnlyOnce = true)
{
    InfData data;
    data.modelName = "Test Model";
    data.topIsCustom = false;
    data.builtInTopObject = top;
    data.topOnlyOnce = topOnlyOnce;
    ASSERT_TRUE(SaveDataToINF(file, data).ok());
    ASSERT_TRUE(WriteInfTopObjectKey(file, topKey).ok());
}

}  // namespace arbolith::test
