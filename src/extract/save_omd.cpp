// SPDX-License-Identifier: MIT
// SaveOMD: the finished work lists become the Edges, CoClasses, Objects,
// Functions and Enums tables of the new DAT file.
#include "extract/extraction.h"
#include "store/dat_schema.h"

namespace arbolith {
namespace {

// The table alone; its indexes come after its rows (AddIndexes): built from
// rows already in place, an index is one scan and one sort, cheaper than
// an index entry added and balanced in with every row (and its pages come
// out a little fuller).
Result<void> CreateTable(Database& db, std::string_view name)
{
    const TableDef* table = FindDatTable(name);
    if (!table) return Error::Model("no definition of table " + std::string(name));
    if (auto made = db.Execute(CreateTableSql(*table)); !made)
        return made.error().In("create table " + std::string(table->name));
    return Ok();
}

Result<void> AddIndexes(Database& db, std::string_view name)
{
    const TableDef* table = FindDatTable(name);
    if (!table) return Error::Model("no definition of table " + std::string(name));
    for (const std::string& sql : CreateIndexSql(*table))
        if (auto made = db.Execute(sql); !made) return made.error().In("create index on " + std::string(table->name));
    return Ok();
}

Result<void> StoreCoClasses(Database& db, const std::vector<CoClassRecord>& coclasses)
{
    auto ins =
        Inserter::Prepare(db, kCoClassesTable,
                          {"Key", "Name", "Event", "ForReplacement", "FlagsVal", "Flags", "RefTypes", "DefInterface",
                           "SourceInterface", "GUID", "HelpID", "HelpFile", "DocString", "cInterfaces"});
    if (!ins) return ins.error();
    std::int64_t key = 0;
    for (const CoClassRecord& c : coclasses) {
        auto added = ins->InsertView({key, c.name, c.event, c.forReplacement, c.flagsVal, c.flags, "", c.defInterface,
                                      c.sourceInterface, c.guid, c.helpId, "", c.docString, c.cInterfaces});
        if (!added) return added.error().In("coclass " + c.name);
        ++key;
    }
    return Ok();
}

Result<void> StoreObjects(Database& db, const std::vector<ObjectRecord>& objects)
{
    auto ins = Inserter::Prepare(
        db, kObjectsTable,
        {"Key",      "Name",      "NameX",        "RawName",         "DefaultName",        "TypeKind",
         "FlagsVal", "Flags",     "HiddenState",  "MemberName",      "RawMemberName",      "ImplTypes",
         "RefTypes", "GUID",      "IsCollection", "RawIsCollection", "IsCustom",           "HelpID",
         "HelpFile", "DocString", "cFunctions",   "cChildObjects",   "cChildObjectsNotHid"});
    if (!ins) return ins.error();
    const ValueView null;
    for (const ObjectRecord& o : objects) {
        auto added =
            o.pseudo
                ? ins->InsertView({o.key,
                                   o.name,
                                   "",
                                   null,
                                   "",
                                   null,
                                   null,
                                   null,
                                   null,
                                   "",
                                   null,
                                   null,
                                   null,
                                   null,
                                   false,
                                   null,
                                   false,
                                   "",
                                   null,
                                   o.docString,
                                   null,
                                   o.cChildObjects,
                                   o.cChildObjectsNotHid})
                : ins->InsertView({o.key,
                                   o.name,
                                   "",
                                   o.rawName,
                                   o.defaultName.empty() ? std::string_view("None") : std::string_view(o.defaultName),
                                   o.typeKind,
                                   o.flagsVal,
                                   o.flags,
                                   o.hiddenState,
                                   o.memberName,
                                   o.rawMemberName,
                                   0,
                                   "",
                                   o.guid,
                                   o.isCollection,
                                   o.isCollection,
                                   false,
                                   o.helpId,
                                   "",
                                   o.docString,
                                   o.cFunctions,
                                   o.cChildObjects,
                                   o.cChildObjectsNotHid});
        if (!added) return added.error().In("object " + o.name);
    }
    return Ok();
}

Result<void> StoreMembers(Database& db, const std::vector<MemberRecord>& members)
{
    auto ins = Inserter::Prepare(
        db, kFunctionsTable,
        {"Key",       "Name",       "ObjectName", "ObjectKey",       "InvokeType",     "TypeKind",
         "Access",    "Flags",      "ReturnType", "RetTypeIsObject", "ExtTypeLibName", "ReturnTypeKey",
         "IsPointer", "WasPointer", "IsExternal", "HiddenState",     "IsDefault",      "HelpID",
         "HelpFile",  "DocString",  "Declaration"});
    if (!ins) return ins.error();
    const ValueView null;
    for (const MemberRecord& m : members) {
        auto added =
            m.pseudo
                ? ins->InsertView({m.key,       "",   m.objectName,
                                   m.objectKey, "",   null,
                                   null,        null, m.returnType,
                                   true,        null, m.returnTypeKey,
                                   m.isPointer, true, null,
                                   null,        null, null,
                                   null,        "",   ""})
                : ins->InsertView(
                      {m.key,       m.name,       m.objectName, m.objectKey,       m.invokeType,     m.typeKind,
                       m.access,    m.flags,      m.returnType, m.retTypeIsObject, m.extTypeLibName, m.returnTypeKey,
                       m.isPointer, m.wasPointer, m.isExternal, m.hiddenState,     m.isDefault,      m.helpId,
                       "",          m.docString,  m.declaration});
        if (!added) return added.error().In("member " + m.objectName + "." + m.name);
    }
    return Ok();
}

Result<void> StoreEdges(Database& db, const std::vector<EdgeRecord>& edges)
{
    auto ins = Inserter::Prepare(db, kEdgesTable,
                                 {"ParentObjectKey", "ParentObjectName", "ChildObjectKey", "ChildObjectName", "Label"});
    if (!ins) return ins.error();
    for (const EdgeRecord& e : edges) {
        auto added = ins->InsertView({e.parentKey, e.parentName, e.childKey, e.childName, e.label});
        if (!added) return added.error().In("edge " + e.parentName + " -> " + e.childName);
    }
    return Ok();
}

Result<void> StoreEnumConstants(Database& db, const std::vector<EnumConstantRecord>& constants)
{
    auto ins = Inserter::Prepare(db, kEnumsTable, {"Enum", "cConstants", "Constant", "Value"});
    if (!ins) return ins.error();
    for (const EnumConstantRecord& e : constants) {
        auto added = ins->InsertView({e.enumName, e.cConstants, e.constant, e.value});
        if (!added) return added.error().In("constant " + e.enumName + "." + e.constant);
    }
    return Ok();
}

}  // namespace

Result<void> SaveOMD(Database& db, const WorkLists& work, ProgressSink& progress)
{
    // One transaction: a failure leaves none of the five tables behind
    // rather than some of them, or a table with part of its rows.
    auto transaction = db.Begin();
    if (!transaction) return transaction.error();

    if (auto made = CreateTable(db, kEdgesTable); !made) return made;
    if (auto stored = StoreEdges(db, work.edges); !stored) return stored;
    if (auto indexed = AddIndexes(db, kEdgesTable); !indexed) return indexed;

    progress.Caption("Storing Coclass data ...");
    if (auto made = CreateTable(db, kCoClassesTable); !made) return made;
    if (auto stored = StoreCoClasses(db, work.coclasses); !stored) return stored;
    if (auto indexed = AddIndexes(db, kCoClassesTable); !indexed) return indexed;

    progress.Caption("Storing object data ...");
    if (auto made = CreateTable(db, kObjectsTable); !made) return made;
    if (auto stored = StoreObjects(db, work.objects); !stored) return stored;
    if (auto indexed = AddIndexes(db, kObjectsTable); !indexed) return indexed;

    progress.Caption("Storing function data ...");
    if (auto made = CreateTable(db, kFunctionsTable); !made) return made;
    if (auto stored = StoreMembers(db, work.members); !stored) return stored;
    if (auto indexed = AddIndexes(db, kFunctionsTable); !indexed) return indexed;

    progress.Caption("Storing enum data ...");
    if (auto made = CreateTable(db, kEnumsTable); !made) return made;
    if (auto stored = StoreEnumConstants(db, work.constants); !stored) return stored;
    if (auto indexed = AddIndexes(db, kEnumsTable); !indexed) return indexed;

    return transaction->Commit();
}

}  // namespace arbolith
