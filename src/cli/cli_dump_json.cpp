// SPDX-License-Identifier: MIT
#include "cli/cli_dump_json.h"

#include <string>

namespace arbolith::cli {
namespace {

constexpr std::uint16_t kVtR4 = 4;
constexpr std::uint16_t kVtR8 = 5;
constexpr std::uint16_t kVtDate = 7;
constexpr std::uint16_t kVtBstr = 8;
constexpr std::uint16_t kVtBool = 11;
constexpr std::uint16_t kVtEmpty = 0;
constexpr std::uint16_t kVtNull = 1;

void WriteVersion(JsonWriter& json, std::uint16_t major, std::uint16_t minor)
{
    json.Key("version").BeginObject();
    json.Key("major").UInt(major);
    json.Key("minor").UInt(minor);
    json.EndObject();
}

void WriteTypeDesc(JsonWriter& json, const TypeDesc& type)
{
    json.BeginObject();
    json.Key("vt").UInt(type.code);
    json.Key("pointerLevels").UInt(type.pointerLevels);
    if (type.ref) {
        const TypeRef& ref = *type.ref;
        json.Key("ref").BeginObject();
        json.Field("name", ref.name);
        json.Field("resolved", ref.resolved);
        json.Field("external", ref.external);
        json.Field("library", ref.libraryName);
        json.Field("index", std::int64_t{ref.index});
        json.EndObject();
    }
    json.EndObject();
}

// The value in the JSON type closest to the stored one: booleans as true or
// false, reals as numbers, strings as strings, the other numeric types
// (currency in ten-thousandths) as integers, empty and null as null.
void WriteConstant(JsonWriter& json, const ConstantValue& value)
{
    json.BeginObject();
    json.Key("vt").UInt(value.vt);
    json.Key("value");
    switch (value.vt & 0x0FFF) {
        case kVtEmpty:
        case kVtNull:
            json.Null();
            break;
        case kVtR4:
        case kVtR8:
        case kVtDate:
            json.Double(value.real);
            break;
        case kVtBstr:
            json.String(value.text);
            break;
        case kVtBool:
            json.Bool(value.integer != 0);
            break;
        default:
            json.Int(value.integer);
            break;
    }
    json.EndObject();
}

void WriteFunction(JsonWriter& json, const Function& fn)
{
    json.BeginObject();
    json.Field("name", fn.name);
    json.Field("doc", fn.doc);
    json.Field("memberId", std::int64_t{fn.memberId});
    json.Field("invokeKind", std::int64_t{fn.invokeKind});
    json.Field("funcKind", std::int64_t{fn.funcKind});
    json.Field("callConv", std::int64_t{fn.callConv});
    json.Key("flags").UInt(fn.flags);
    json.Key("helpContext").UInt(fn.helpContext);
    json.Field("optionalParams", std::int64_t{fn.paramsOptional});
    json.Key("vtableOffset").UInt(fn.vtableOffset);
    json.Key("returnType");
    WriteTypeDesc(json, fn.returnType);
    json.Key("params").BeginArray();
    for (const Parameter& param : fn.params) {
        json.BeginObject();
        json.Field("name", param.name);
        json.Key("flags").UInt(param.flags);
        json.Key("type");
        WriteTypeDesc(json, param.type);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void WriteVariable(JsonWriter& json, const Variable& var)
{
    json.BeginObject();
    json.Field("name", var.name);
    json.Field("doc", var.doc);
    json.Field("memberId", std::int64_t{var.memberId});
    json.Field("varKind", std::int64_t{var.varKind});
    json.Key("flags").UInt(var.flags);
    json.Key("helpContext").UInt(var.helpContext);
    json.Key("type");
    WriteTypeDesc(json, var.type);
    if (var.value) {
        json.Key("constant");
        WriteConstant(json, *var.value);
    }
    json.EndObject();
}

void WriteType(JsonWriter& json, const TypeInfo& type, bool withView)
{
    json.BeginObject();
    json.Field("kind", TypeKindKeyword(type.kind));
    json.Field("name", type.name);
    json.Field("doc", type.doc);
    json.Field("guid", type.guid.ToString());
    json.Key("helpContext").UInt(type.helpContext);
    json.Key("flags").UInt(type.typeFlags);
    WriteVersion(json, type.majorVersion, type.minorVersion);
    if (type.kind == TypeKind::Module) json.Field("dll", type.dllName);
    if (type.aliasOf) {
        json.Key("aliasOf");
        WriteTypeDesc(json, *type.aliasOf);
    }
    json.Key("implements").BeginArray();
    for (const ImplType& impl : type.implTypes) {
        json.BeginObject();
        json.Field("name", impl.ref.name);
        json.Field("resolved", impl.ref.resolved);
        json.Field("library", impl.ref.libraryName);
        json.Field("flags", std::int64_t{impl.flags});
        json.EndObject();
    }
    json.EndArray();
    json.Key("functions").BeginArray();
    for (const Function& fn : type.functions) WriteFunction(json, fn);
    json.EndArray();
    json.Key("variables").BeginArray();
    for (const Variable& var : type.variables) WriteVariable(json, var);
    json.EndArray();
    // A dual interface's vtable view, once: a view has no view of its own.
    if (withView && type.interfaceView) {
        json.Key("interfaceView");
        WriteType(json, *type.interfaceView, false);
    }
    json.EndObject();
}

}  // namespace

void WriteTypeLibJson(JsonWriter& json, const TypeLib& lib, std::string_view file)
{
    json.BeginObject();
    json.Field("file", file);
    json.Field("name", lib.name);
    json.Field("doc", lib.doc);
    json.Field("helpFile", lib.helpFile);
    json.Key("helpContext").UInt(lib.helpContext);
    json.Field("guid", lib.guid.ToString());
    WriteVersion(json, lib.majorVersion, lib.minorVersion);
    json.Key("lcid").UInt(lib.lcid);
    json.Field("sysKind", std::int64_t{lib.sysKind});
    json.Key("flags").UInt(lib.libFlags);
    json.Key("types").BeginArray();
    for (const TypeInfo& type : lib.types) WriteType(json, type, true);
    json.EndArray();
    json.EndObject();
}

}  // namespace arbolith::cli
