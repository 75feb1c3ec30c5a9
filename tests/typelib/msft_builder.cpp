// SPDX-License-Identifier: MIT
#include "typelib/msft_builder.h"

namespace arbolith::test {
namespace {

struct Out {
    std::string b;
    void Put(std::uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void U8(std::uint32_t v) { Put(v, 1); }
    void U16(std::uint32_t v) { Put(v, 2); }
    void U32(std::uint32_t v) { Put(v, 4); }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(b.size()); }
    void Pad4(char fill)
    {
        while (b.size() % 4) b.push_back(fill);
    }
};

// A name-table entry: owner, hash next, length, flags, hash, bytes, padding.
std::uint32_t AddName(Out& names, const std::string& text)
{
    std::uint32_t off = names.Size();
    names.U32(0xFFFFFFFF);
    names.U32(0xFFFFFFFF);
    names.U8(static_cast<std::uint8_t>(text.size()));
    names.U8(0x38);
    names.U16(0);
    names.b += text;
    names.Pad4('W');
    return off;
}

std::uint32_t AddGuid(Out& guids, const Guid& g)
{
    std::uint32_t off = guids.Size();
    guids.U32(g.data1);
    guids.U16(g.data2);
    guids.U16(g.data3);
    for (std::uint8_t byte : g.data4) guids.U8(byte);
    guids.U32(0xFFFFFFFF);  // hreftype
    guids.U32(0xFFFFFFFF);  // next in hash chain
    return off;
}

}  // namespace

Guid OleGuid(std::uint32_t first)
{
    return Guid{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

std::string SampleLibrary(const std::string& enumName, std::uint32_t lcid)
{
    LibraryBuilder b("TestLib", Guid{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}});
    b.lcid = lcid;
    b.Enum(enumName, {{"Red", 5}});
    b.Interface("IThing", Guid{0x12345679, 0, 0, {}}, std::nullopt,
                {Method("Get", 0, {ParamSpec{"value", 1, TypeSpec{}}})});
    return b.Bytes();
}

LibraryBuilder::LibraryBuilder(std::string name, const Guid& guid, std::uint16_t major, std::uint16_t minor)
    : m_name(std::move(name)), m_guid(guid), m_major(major), m_minor(minor)
{
}

int LibraryBuilder::Import(const Guid& guid, std::uint16_t major, std::uint16_t minor, std::string fileName)
{
    m_imports.push_back({guid, major, minor, std::move(fileName)});
    return static_cast<int>(m_imports.size()) - 1;
}

int LibraryBuilder::Interface(std::string name, const Guid& guid, std::optional<TypeTarget> base,
                              std::vector<MethodSpec> methods)
{
    return Add({3, std::move(name), guid, 0, base, std::move(methods), {}, {}});
}

int LibraryBuilder::Dual(std::string name, const Guid& guid, TypeTarget base, std::vector<MethodSpec> methods)
{
    // dual | oleautomation | dispatchable
    return Add({4, std::move(name), guid, 0x1140, base, std::move(methods), {}, {}});
}

int LibraryBuilder::Coclass(std::string name, const Guid& guid,
                            std::vector<std::pair<TypeTarget, std::int32_t>> implemented)
{
    return Add({5, std::move(name), guid, 0x2, std::nullopt, {}, std::move(implemented), {}});
}

int LibraryBuilder::Enum(std::string name, std::vector<std::pair<std::string, std::int32_t>> constants)
{
    return Add({0, std::move(name), Guid{}, 0, std::nullopt, {}, {}, std::move(constants)});
}

int LibraryBuilder::Add(Type type)
{
    m_types.push_back(std::move(type));
    return static_cast<int>(m_types.size()) - 1;
}

void LibraryBuilder::SetBase(int type, TypeTarget base)
{
    m_types.at(static_cast<std::size_t>(type)).base = base;
}

std::string LibraryBuilder::Bytes() const
{
    Out importInfo, importFiles, references, guids, names, typedescs;
    std::uint32_t libName = AddName(names, m_name);
    std::uint32_t libGuid = AddGuid(guids, m_guid);

    std::vector<std::uint32_t> importFile;
    for (const ImportSpec& imp : m_imports) {
        importFile.push_back(importFiles.Size());
        importFiles.U32(AddGuid(guids, imp.guid));
        importFiles.U32(0);  // LCID
        importFiles.U16(imp.major);
        importFiles.U16(imp.minor);
        importFiles.U16(static_cast<std::uint32_t>(imp.fileName.size()) << 2);
        importFiles.b += imp.fileName;
        importFiles.Pad4('W');
    }
    auto href = [&](const TypeTarget& t) -> std::uint32_t {
        if (t.import < 0) return static_cast<std::uint32_t>(t.local * kTypeInfoSize);
        std::uint32_t off = importInfo.Size();
        importInfo.U32(0x10000);  // by GUID
        importInfo.U32(importFile.at(static_cast<std::size_t>(t.import)));
        importInfo.U32(AddGuid(guids, t.guid));
        return off | 1;
    };
    auto encode = [&](const TypeSpec& t) -> std::uint32_t {
        std::uint32_t code = 0x80000000u | (std::uint32_t{t.vt} << 16) | t.vt;
        if (t.target) {
            code = typedescs.Size();
            typedescs.U32(29);  // VT_USERDEFINED
            typedescs.U32(href(*t.target));
        }
        for (int i = 0; i < t.pointers; ++i) {
            std::uint32_t off = typedescs.Size();
            typedescs.U32(26);  // VT_PTR
            typedescs.U32(code);
            code = off;
        }
        return code;
    };

    // Member blocks are placed after the segments; keep them apart until then.
    std::vector<std::string> blocks(m_types.size());
    std::vector<std::uint32_t> datatype1(m_types.size(), 0xFFFFFFFF);
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const Type& type = m_types[i];
        if (type.base) datatype1[i] = href(*type.base);
        if (!type.implemented.empty()) datatype1[i] = references.Size();
        for (std::size_t k = 0; k < type.implemented.size(); ++k) {
            references.U32(href(type.implemented[k].first));
            references.U32(static_cast<std::uint32_t>(type.implemented[k].second));
            references.U32(0xFFFFFFFF);
            references.U32(k + 1 == type.implemented.size() ? 0xFFFFFFFF : references.Size() + 4);
        }
        if (type.methods.empty() && type.constants.empty()) continue;
        Out records, ids, memberNames, offsets;
        for (std::size_t k = 0; k < type.methods.size(); ++k) {
            const MethodSpec& m = type.methods[k];
            offsets.U32(records.Size());
            ids.U32(static_cast<std::uint32_t>(m.memberId));
            memberNames.U32(AddName(names, m.name));
            records.U32(static_cast<std::uint32_t>(0x20 + 12 * m.params.size()));  // size, index
            records.U32(encode(m.returns));
            records.U32(0);                                                               // FUNCFLAG_*
            records.U32(static_cast<std::uint32_t>(k * 4));                               // vtable offset
            records.U32(1 | (static_cast<std::uint32_t>(m.invokeKind) << 3) | (4 << 8));  // pure virtual, stdcall
            records.U32(static_cast<std::uint32_t>(m.params.size()));
            records.U32(0);           // help context
            records.U32(0xFFFFFFFF);  // help string
            for (const ParamSpec& p : m.params) {
                records.U32(encode(p.type));
                records.U32(AddName(names, p.name));
                records.U32(p.flags);
            }
        }
        for (std::size_t k = 0; k < type.constants.size(); ++k) {
            offsets.U32(records.Size());
            ids.U32(static_cast<std::uint32_t>(0x40000000 + k));
            memberNames.U32(AddName(names, type.constants[k].first));
            records.U32(0x1C);           // size, index
            records.U32(0x80000003);     // VT_I4
            records.U32(0);              // VARFLAG_*
            records.U32(2 | (4 << 16));  // constant, 4 bytes
            records.U32(0x8C000000 | (static_cast<std::uint32_t>(type.constants[k].second) & 0x03FFFFFF));
            records.U32(0);           // help context
            records.U32(0xFFFFFFFF);  // help string
        }
        Out block;
        block.U32(records.Size());
        blocks[i] = block.b + records.b + ids.b + memberNames.b + offsets.b;
    }
    std::vector<std::uint32_t> typeName, typeGuid;
    for (const Type& type : m_types) {
        typeName.push_back(AddName(names, type.name));
        typeGuid.push_back(AddGuid(guids, type.guid));
    }

    // Header: magic, version, GUID, LCIDs, win32, version, flags, type count,
    // doc, help contexts, name, help file, custom data, fixed sizes, no
    // IDispatch (a dispinterface's base is then its own), imports.
    const auto types = static_cast<std::uint32_t>(m_types.size());
    Out f;
    const std::uint32_t header[] = {
        0x5446534D, 0x00010002, libGuid,    lcid, lcid, 1,          m_major | (m_minor << 16),
        0,          types,      0xFFFFFFFF, 0,    0,    0,          0,
        libName,    0xFFFFFFFF, 0xFFFFFFFF, 0x20, 0x80, 0xFFFFFFFF, static_cast<std::uint32_t>(m_imports.size())};
    for (std::uint32_t v : header) f.U32(v);
    for (std::uint32_t i = 0; i < types; ++i) f.U32(i * kTypeInfoSize);
    const std::size_t directory = f.b.size();
    for (std::uint32_t seg = 0; seg < 15; ++seg)
        for (std::uint32_t v : {0xFFFFFFFFu, 0u, 0xFFFFFFFFu, 0x0Fu}) f.U32(v);
    auto place = [&](std::uint32_t seg, const std::string& bytes) {
        if (bytes.empty()) return std::size_t{0};
        Put32(f.b, directory + seg * 16, f.Size());
        Put32(f.b, directory + seg * 16 + 4, static_cast<std::uint32_t>(bytes.size()));
        f.b += bytes;
        return f.b.size() - bytes.size();
    };
    const std::size_t at = place(0, std::string(types * kTypeInfoSize, '\0'));
    const std::pair<std::uint32_t, const Out*> segments[] = {{1, &importInfo}, {2, &importFiles}, {3, &references},
                                                             {5, &guids},      {7, &names},       {9, &typedescs}};
    for (const auto& [seg, out] : segments) place(seg, out->b);
    for (std::size_t i = 0; i < m_types.size(); ++i) {
        const Type& type = m_types[i];
        const std::size_t r = at + i * kTypeInfoSize;
        const std::uint32_t counts = static_cast<std::uint32_t>(type.methods.size() | (type.constants.size() << 16));
        const std::uint32_t bases = static_cast<std::uint32_t>(type.implemented.size() + (type.base ? 1 : 0));
        Put32(f.b, r + 0x04, blocks[i].empty() ? 0xFFFFFFFF : f.Size());
        f.b += blocks[i];
        const std::pair<std::size_t, std::uint32_t> fields[] = {
            {0x00, type.kind},    {0x18, counts},     {0x2C, typeGuid[i]}, {0x30, type.flags},
            {0x34, typeName[i]},  {0x3C, 0xFFFFFFFF}, {0x48, 0xFFFFFFFF},  {0x4C, bases},
            {0x54, datatype1[i]}, {0x58, 0xFFFFFFFF}, {0x60, 0xFFFFFFFF}};
        for (const auto& [offset, value] : fields) Put32(f.b, r + offset, value);
    }
    return f.b;
}

}  // namespace arbolith::test
