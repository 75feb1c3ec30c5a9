#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes data/sample/Quill.chm, the help file the sample library names: one
# page per help context of data/sample/Quill.idl (each type and member),
# with its help string and links between a type and its members. Needs
# chmcmd (Debian: fp-utils); the file is committed, so only a change to the
# sample's IDL calls for running this again.
#   tools/make-sample-help.sh
set -euo pipefail
cd "$(dirname "$0")/.."
command -v chmcmd > /dev/null || { echo "chmcmd (fp-utils) is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - data/sample/Quill.idl "$work" <<'PY'
import html, pathlib, re, sys
idl = pathlib.Path(sys.argv[1]).read_text()
out = pathlib.Path(sys.argv[2])
# A type: its attribute block with helpstring and helpcontext, then its name.
types = re.finditer(r'\[\s*uuid\([^)]*\),\s*helpstring\("([^"]*)"\),\s*helpcontext\((\d+)\)[^\]]*\]\s*'
                    r'(?:interface|dispinterface|coclass)\s+(\w+)', idl)
members = re.finditer(r'\[[^\]]*helpstring\("([^"]*)"\),\s*helpcontext\((\d+)\)\]\s*\w+\s+(\w+)\(', idl)
pages = {}
for m in types:
    text, context, name = m.groups()
    pages[int(context)] = (name.lstrip('_'), text, [])
for m in members:
    text, context, name = m.groups()
    number = int(context)
    owner = pages.get(number - number % 100)
    pages[number] = (name, text, None)
    if owner: owner[2].append(number)
def page(number, name, text, children):
    parent = number - number % 100
    body = f'<h1>{html.escape(name)}</h1>\n<p>{html.escape(text)}.</p>\n'
    if children:
        body += '<h2>Members</h2>\n<ul>\n' + ''.join(
            f'<li><a href="h{c}.htm">{html.escape(pages[c][0])}</a>: {html.escape(pages[c][1])}</li>\n'
            for c in sorted(children)) + '</ul>\n'
    elif parent in pages:
        body += f'<p>Member of <a href="h{parent}.htm">{html.escape(pages[parent][0])}</a>.</p>\n'
    body += '<p><a href="index.htm">Quill Object Library</a></p>\n'
    return (f'<html><head><title>{html.escape(name)}</title></head><body>\n{body}</body></html>\n')
for number, (name, text, children) in pages.items():
    (out / f'h{number}.htm').write_text(page(number, name, text, children))
tops = sorted(n for n in pages if n % 100 == 0)
(out / 'index.htm').write_text(
    '<html><head><title>Quill Object Library</title></head><body>\n<h1>Quill Object Library</h1>\n'
    '<p>The objects of Quill, the sample word processor that comes with Arbolith.</p>\n<ul>\n' +
    ''.join(f'<li><a href="h{n}.htm">{html.escape(pages[n][0])}</a>: {html.escape(pages[n][1])}</li>\n'
            for n in tops) + '</ul>\n</body></html>\n')
files = ['index.htm'] + [f'h{n}.htm' for n in sorted(pages)]
(out / 'Quill.hhp').write_text(
    '[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=Quill.chm\nDefault topic=index.htm\n'
    'Display compile progress=No\nLanguage=0x409 English (United States)\nTitle=Quill Object Library\n\n'
    '[FILES]\n' + '\n'.join(files) + '\n\n[ALIAS]\n' +
    ''.join(f'IDH_{n}=h{n}.htm\n' for n in sorted(pages)) + '\n[MAP]\n' +
    ''.join(f'#define IDH_{n} {n}\n' for n in sorted(pages)))
print(f'{len(pages)} topics')
PY
(cd "$work" && chmcmd --verbosity 0 Quill.hhp > /dev/null 2>&1)
cp "$work/Quill.chm" data/sample/Quill.chm
echo "wrote data/sample/Quill.chm"
