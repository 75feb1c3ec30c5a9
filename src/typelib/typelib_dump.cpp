// SPDX-License-Identifier: MIT
// The reference dumps come from a program that asks a COM loader for each
// attribute, and a few of the loader's habits show in them. They are
// reproduced here, not in the reader's data:
//  - a member's name, parameter names, doc and help context are looked up by
//    member id, so every function sharing an id (a propget/propput pair)
//    shows those of the first one with that id; parameters beyond the first
//    one's count show no name;
//  - library flags always include 8 (the loader marks a library read from disk);
//  - the loader refuses to describe a function with a defaulted parameter
//    whose type is an alias of a built-in type (msado15's ADO_LONGPTR), printing "F<j> FAIL";
//  - a user-defined type prints vt as its array bits alone, then its name,
//    then a line naming the type's library.
#include "typelib/typelib_dump.h"

#include <cstdio>
#include <unordered_map>

namespace arbolith {
namespace {

constexpr std::uint16_t kLibFlagHasDiskImage = 0x08;
// Lines end in "\n"; golden files made on Windows end in "\r\n" and are
// compared line by line.
constexpr std::string_view kEol = "\n";

class Writer {
public:
    void Raw(std::string_view s) { m_out.append(s); }
    void Reserve(std::size_t n) { m_out.reserve(n); }
    void Format(const char* fmt, auto... args)
    {
        char buf[256];
        int n = std::snprintf(buf, sizeof buf, fmt, args...);
        if (n > 0) m_out.append(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
    }
    // `tag` then the text escaped, then a newline.
    void Text(std::string_view tag, std::string_view utf8)
    {
        m_out.append(tag);
        Escaped(utf8);
        m_out += kEol;
    }
    void Escaped(std::string_view utf8)
    {
        for (std::size_t i = 0; i < utf8.size();) {
            unsigned char c = static_cast<unsigned char>(utf8[i]);
            std::uint32_t cp = c;
            std::size_t n = 1;
            if (c >= 0xF0 && i + 3 < utf8.size() + 0) {
                cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) | ((utf8[i + 2] & 0x3Fu) << 6) |
                     (utf8[i + 3] & 0x3Fu);
                n = 4;
            } else if (c >= 0xE0 && i + 2 < utf8.size()) {
                cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
                n = 3;
            } else if (c >= 0xC0 && i + 1 < utf8.size()) {
                cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
                n = 2;
            }
            i += n;
            if (cp == '\n')
                m_out += "\\n";
            else if (cp == '\r')
                m_out += "\\r";
            else if (cp == '\\')
                m_out += "\\\\";
            else if (cp < 0x80)
                m_out.push_back(static_cast<char>(cp));
            else if (cp > 0xFFFF) {
                cp -= 0x10000;
                Format("\\u%04x\\u%04x", 0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF));
            } else
                Format("\\u%04x", cp);
        }
    }
    void GuidLine(std::string_view tag, const Guid& g)
    {
        m_out.append(tag);
        m_out.append(g.ToString());
        m_out += kEol;
    }
    void Type(const TypeDesc& td, std::string_view tag)
    {
        m_out.append(tag);
        if (td.ref) {
            const TypeRef& r = *td.ref;
            if (!r.resolved) {
                Format(" vt=%u ref=<unresolved hr=80004005>\n", static_cast<unsigned>(td.code));
                return;
            }
            Format(" vt=%u ref=", static_cast<unsigned>(td.code));
            Text("", r.name);
            m_out.append(tag);
            m_out.append(".lib ");
            Escaped(r.libraryName);
            Format(" %u.%u idx=%d ", r.libraryMajor, r.libraryMinor, r.index);
            GuidLine("guid=", r.libraryGuid);
        } else {
            Format(" vt=%u\n", static_cast<unsigned>(td.code));
        }
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

// First function of each member id, for the by-id lookups described above.
class FirstById {
public:
    explicit FirstById(const TypeInfo& type)
    {
        m_first.reserve(type.functions.size());
        for (const Function& f : type.functions) m_first.emplace(f.memberId, &f);  // keeps the first
    }
    const Function* Find(std::int32_t id) const
    {
        auto it = m_first.find(id);
        return it == m_first.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::int32_t, const Function*> m_first;
};

// The type a resolved reference names, in its own library.
const TypeInfo* Referenced(const TypeLib& lib, const TypeRef& ref)
{
    if (!ref.resolved || ref.index < 0) return nullptr;
    const TypeLib* owner = ref.library ? ref.library.get() : (ref.libraryGuid == lib.guid ? &lib : nullptr);
    if (owner == nullptr || static_cast<std::size_t>(ref.index) >= owner->types.size()) return nullptr;
    return &owner->types[ref.index];
}

bool LoaderRefusesFunction(const TypeLib& lib, const Function& fn)
{
    constexpr std::uint16_t kParamFlagHasDefault = 0x20;
    for (const Parameter& p : fn.params) {
        if (!(p.flags & kParamFlagHasDefault) || !p.type.ref) continue;
        const TypeInfo* t = Referenced(lib, *p.type.ref);
        if (t && t->kind == TypeKind::Alias && t->aliasOf && !t->aliasOf->ref) return true;
    }
    return false;
}

void DumpType(Writer& w, const TypeLib& lib, const TypeInfo& type, const std::string& label)
{
    FirstById firstById(type);
    w.Raw(label);
    w.Format(" kind=%d flags=%u funcs=%zu vars=%zu impl=%zu helpctx=%lu\n", static_cast<int>(type.kind), type.typeFlags,
             type.functions.size(), type.variables.size(), type.implTypes.size(),
             static_cast<unsigned long>(type.helpContext));
    w.Text(" name=", type.name);
    w.Text(" doc=", type.doc);
    w.GuidLine(" guid=", type.guid);
    for (std::size_t k = 0; k < type.implTypes.size(); ++k) {
        const ImplType& impl = type.implTypes[k];
        w.Format(" impl%zu flags=%d ", k, impl.flags);
        w.Text("name=", impl.ref.resolved ? std::string_view(impl.ref.name) : std::string_view());
    }
    if (type.kind == TypeKind::Alias && type.aliasOf) w.Type(*type.aliasOf, " alias");
    for (std::size_t j = 0; j < type.functions.size(); ++j) {
        const Function& fn = type.functions[j];
        const Function& named = *firstById.Find(fn.memberId);
        if (LoaderRefusesFunction(lib, fn)) {
            w.Format(" F%zu FAIL", j);
            w.Raw(kEol);
            continue;
        }
        w.Format(" F%zu memid=%ld invkind=%d flags=%u params=%zu opt=%d helpctx=%lu\n", j,
                 static_cast<long>(fn.memberId), fn.invokeKind, fn.flags, fn.params.size(), fn.paramsOptional,
                 static_cast<unsigned long>(named.helpContext));
        w.Text("  name=", named.name);
        w.Text("  doc=", named.doc);
        w.Type(fn.returnType, "  ret");
        for (std::size_t p = 0; p < fn.params.size(); ++p) {
            w.Format("  P%zu flags=%u ", p, fn.params[p].flags);
            w.Text("name=", p < named.params.size() ? std::string_view(named.params[p].name) : std::string_view());
            w.Type(fn.params[p].type, "   type");
        }
    }
    for (std::size_t v = 0; v < type.variables.size(); ++v) {
        const Variable& var = type.variables[v];
        std::string_view name = var.name, doc = var.doc;
        std::uint32_t help = var.helpContext;
        if (const Function* f = firstById.Find(var.memberId)) {
            name = f->name;
            doc = f->doc;
            help = f->helpContext;
        } else {
            for (const Variable& other : type.variables)
                if (other.memberId == var.memberId) {
                    name = other.name;
                    doc = other.doc;
                    help = other.helpContext;
                    break;
                }
        }
        w.Format(" V%zu memid=%ld kind=%d flags=%u helpctx=%lu", v, static_cast<long>(var.memberId), var.varKind,
                 var.flags, static_cast<unsigned long>(help));
        if (var.varKind == 2 && var.value) {
            if (auto i = var.value->ToInt32())
                w.Format(" value=%ld", static_cast<long>(*i));
            else
                w.Raw(" value=<nonint>");
        }
        w.Raw(kEol);
        w.Text("  name=", name);
        w.Text("  doc=", doc);
        w.Type(var.type, "  type");
    }
    if (type.kind == TypeKind::Dispatch && (type.typeFlags & kTypeFlagDual) && type.interfaceView)
        DumpType(w, lib, *type.interfaceView, label + ".iface");
}

}  // namespace

std::string DumpTypeLib(const TypeLib& lib)
{
    Writer w;
    std::size_t members = 0;
    for (const TypeInfo& t : lib.types)
        members += t.functions.size() + t.variables.size() + (t.interfaceView ? t.interfaceView->functions.size() : 0);
    w.Reserve(256 * lib.types.size() + 192 * members);
    w.Text("LIB.name=", lib.name);
    w.Text("LIB.doc=", lib.doc);
    w.Text("LIB.helpfile=", lib.helpFile);
    w.Format("LIB.helpctx=%lu\n", static_cast<unsigned long>(lib.helpContext));
    w.GuidLine("LIB.guid=", lib.guid);
    w.Format("LIB.version=%u.%u\nLIB.lcid=%lu\nLIB.syskind=%d\nLIB.flags=%u\n", lib.majorVersion, lib.minorVersion,
             static_cast<unsigned long>(lib.lcid), lib.sysKind,
             static_cast<unsigned>(lib.libFlags | kLibFlagHasDiskImage));
    w.Format("LIB.count=%zu\n", lib.types.size());
    for (std::size_t i = 0; i < lib.types.size(); ++i) DumpType(w, lib, lib.types[i], "T" + std::to_string(i));
    return w.Take();
}

}  // namespace arbolith
