// SPDX-License-Identifier: MIT
// The resource tree is three levels deep (type, id, language). Each level is
// read with its entry count checked against the bytes left, and a level may
// not point back to the root, so damaged trees cannot loop.
#include "typelib/pe_resources.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "typelib/msft_layout.h"

namespace arbolith {
namespace {

using namespace msft;

struct Section {
    std::uint32_t va = 0;
    std::uint32_t span = 0;  // max(VirtualSize, SizeOfRawData)
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct PeImage {
    ByteView file;
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
};

// File offset of an RVA, and how many bytes the file holds from there.
bool RvaToOffset(const PeImage& pe, std::uint32_t rva, std::uint64_t& offset, std::uint64_t& available)
{
    for (const Section& s : pe.sections) {
        if (rva >= s.va && rva - s.va < s.span) {
            std::uint64_t delta = rva - s.va;
            if (delta >= s.rawSize) return false;  // in memory only
            offset = std::uint64_t{s.rawOffset} + delta;
            available = s.rawSize - delta;
            return true;
        }
    }
    return false;
}

Read<PeImage> ReadHeaders(ByteView file)
{
    PeImage pe;
    pe.file = file;
    std::uint32_t peOff = 0;
    if (!file.U32(PE_OFFSET_FIELD, peOff)) return file.Fail(ErrCode::Truncated, 0, "PE: DOS header truncated");
    auto coff = file.Slice(peOff, 24, "PE header");
    if (!coff) return coff.error();
    if (coff->U32At(0) != PE_SIGNATURE)
        return file.Fail(ErrCode::BadMagic, peOff, "PE: no PE signature at " + Hex(peOff));
    std::uint16_t sectionCount = coff->U16At(6);
    std::uint16_t optSize = coff->U16At(20);
    std::uint64_t opt = std::uint64_t{peOff} + 24;
    auto optional = file.Slice(opt, optSize, "PE optional header");
    if (!optional) return optional.error();
    std::uint16_t magic = optional->U16At(0);
    std::uint32_t countField = 0, dirField = 0;
    if (magic == PE32_MAGIC) {
        countField = 92;
        dirField = 96;
    } else if (magic == PE32PLUS_MAGIC) {
        countField = 108;
        dirField = 112;
    } else {
        return file.Fail(ErrCode::BadMagic, opt, "PE: unknown optional header magic " + Hex(magic));
    }
    std::uint32_t dirCount = 0;
    if (optional->U32(countField, dirCount) && dirCount > RESOURCE_DIRECTORY) {
        std::uint64_t entry = dirField + 8ull * RESOURCE_DIRECTORY;
        if (optional->Contains(entry, 8)) {
            pe.resourceRva = optional->U32At(entry);
            pe.resourceSize = optional->U32At(entry + 4);
        }
    }
    std::uint64_t secOff = opt + optSize;
    if (!CountFits(sectionCount, SECTION_HEADER_SIZE, file.Size()))
        return file.Fail(ErrCode::Truncated, secOff, "PE: section table past end of file");
    auto table = file.Slice(secOff, std::uint64_t{sectionCount} * SECTION_HEADER_SIZE, "PE section table");
    if (!table) return table.error();
    pe.sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        std::uint64_t b = std::uint64_t{i} * SECTION_HEADER_SIZE;
        Section s;
        std::uint32_t virtualSize = table->U32At(b + 8);
        s.va = table->U32At(b + 12);
        s.rawSize = table->U32At(b + 16);
        s.rawOffset = table->U32At(b + 20);
        s.span = std::max(virtualSize, s.rawSize);
        // Raw data the file does not hold is cut to what it does hold.
        if (s.rawOffset >= file.Size())
            s.rawSize = 0;
        else
            s.rawSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(s.rawSize, file.Size() - s.rawOffset));
        pe.sections.push_back(s);
    }
    return pe;
}

struct DirEntry {
    std::uint32_t nameOrId = 0;
    std::uint32_t target = 0;
};

// Entries of the directory at `dirOff` in the resource section `root`.
Read<std::vector<DirEntry>> ReadDirectory(ByteView root, std::uint32_t dirOff, std::string_view what)
{
    auto head = root.Slice(dirOff, RESOURCE_DIR_SIZE, what);
    if (!head) return head.error();
    std::uint32_t count = std::uint32_t{head->U16At(12)} + head->U16At(14);
    std::uint64_t first = std::uint64_t{dirOff} + RESOURCE_DIR_SIZE;
    if (!CountFits(count, RESOURCE_ENTRY_SIZE, root.Size()))
        return root.Fail(ErrCode::Truncated, dirOff, std::string(what) + ": entry count past end");
    auto entries = root.Slice(first, std::uint64_t{count} * RESOURCE_ENTRY_SIZE, what);
    if (!entries) return entries.error();
    std::vector<DirEntry> out(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i].nameOrId = entries->U32At(i * 8ull);
        out[i].target = entries->U32At(i * 8ull + 4);
    }
    return out;
}

bool NameIsTypeLib(ByteView root, std::uint32_t nameOff)
{
    static constexpr std::string_view kName = "TYPELIB";
    std::uint16_t len = 0;
    if (!root.U16(nameOff, len) || len != kName.size()) return false;
    for (std::size_t i = 0; i < kName.size(); ++i) {
        std::uint16_t ch = 0;
        if (!root.U16(nameOff + 2 + 2 * i, ch)) return false;
        if (ch >= 0x80 || std::toupper(ch) != kName[i]) return false;
    }
    return true;
}

struct ResourceSection {
    PeImage pe;
    ByteView root;
    std::vector<DirEntry> ids;  // entries under the TYPELIB type
};

// Reads the headers and the TYPELIB level of the tree; `ids` stays empty
// when the file has no such resources.
Read<ResourceSection> OpenTypeLibLevel(ByteView file)
{
    auto pe = ReadHeaders(file);
    if (!pe) return pe.error();
    ResourceSection rs{std::move(pe.value()), {}, {}};
    if (rs.pe.resourceRva == 0) return rs;
    std::uint64_t off = 0, available = 0;
    if (!RvaToOffset(rs.pe, rs.pe.resourceRva, off, available))
        return file.Fail(ErrCode::BadValue, 0,
                         "PE: resource directory RVA " + Hex(rs.pe.resourceRva) + " not in any section");
    auto root = file.Slice(off, available, "PE resource section");
    if (!root) return root.error();
    rs.root = root.value();
    auto types = ReadDirectory(rs.root, 0, "PE resource root");
    if (!types) return types.error();
    for (const DirEntry& e : types.value()) {
        if (!(e.nameOrId & RESOURCE_HIGH_BIT) || !(e.target & RESOURCE_HIGH_BIT)) continue;
        if (!NameIsTypeLib(rs.root, e.nameOrId & ~RESOURCE_HIGH_BIT)) continue;
        std::uint32_t sub = e.target & ~RESOURCE_HIGH_BIT;
        if (sub == 0) return file.Fail(ErrCode::Cycle, off, "PE: TYPELIB directory points at the root");
        auto ids = ReadDirectory(rs.root, sub, "PE TYPELIB directory");
        if (!ids) return ids.error();
        rs.ids = std::move(ids.value());
        break;
    }
    return rs;
}

}  // namespace

bool LooksLikePe(ByteView file)
{
    return file.U16At(0) == DOS_MAGIC && file.Size() >= 0x40;
}

Read<std::vector<std::uint32_t>> ListTypeLibResources(ByteView file)
{
    auto rs = OpenTypeLibLevel(file);
    if (!rs) return rs.error();
    std::vector<std::uint32_t> ids;
    for (const DirEntry& e : rs->ids)
        if (!(e.nameOrId & RESOURCE_HIGH_BIT)) ids.push_back(e.nameOrId & 0xFFFF);
    std::sort(ids.begin(), ids.end());
    return ids;
}

Read<ByteView> FindTypeLibResource(ByteView file, std::uint32_t id)
{
    auto rs = OpenTypeLibLevel(file);
    if (!rs) return rs.error();
    for (const DirEntry& e : rs->ids) {
        if ((e.nameOrId & RESOURCE_HIGH_BIT) || (e.nameOrId & 0xFFFF) != id) continue;
        std::uint32_t target = e.target;
        std::uint32_t levels = 0;
        // Language level (and any extra level a damaged file adds): take the first entry.
        while (target & RESOURCE_HIGH_BIT) {
            if (++levels > 2) return file.Fail(ErrCode::Cycle, 0, "PE: TYPELIB resource tree too deep");
            auto langs = ReadDirectory(rs->root, target & ~RESOURCE_HIGH_BIT, "PE TYPELIB language directory");
            if (!langs) return langs.error();
            if (langs->empty())
                return file.Fail(ErrCode::NotFound, 0, "PE: TYPELIB resource " + std::to_string(id) + " has no data");
            target = langs->front().target;
        }
        auto data = rs->root.Slice(target, RESOURCE_DATA_ENTRY_SIZE, "PE resource data entry");
        if (!data) return data.error();
        std::uint32_t rva = data->U32At(0), size = data->U32At(4);
        std::uint64_t off = 0, available = 0;
        if (!RvaToOffset(rs->pe, rva, off, available))
            return file.Fail(ErrCode::BadValue, 0, "PE: TYPELIB data RVA " + Hex(rva) + " not in the file");
        if (size > available)
            return file.Fail(ErrCode::Truncated, off,
                             "PE: TYPELIB resource " + std::to_string(id) + " (" + Hex(size) + " bytes at " + Hex(off) +
                                 ") past end of file");
        return file.Slice(off, size, "TYPELIB resource");
    }
    return file.Fail(ErrCode::NotFound, 0, "resource " + std::to_string(id) + " not found");
}

}  // namespace arbolith
