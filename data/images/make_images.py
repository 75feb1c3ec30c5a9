#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the tree and member images of Arbolith into this folder.

Every picture is drawn on a 16 x 16 grid from a few layers, so the set keeps
one palette and one 1-unit stroke:
  - the body says what the row is: a cube for an object, three cubes for a
    collection, a book (can be read) and/or a pencil (can be written) for a
    property, a diamond for a method;
  - colour says whether help exists: the kind's own colour with help, grey
    without;
  - a hollow body (outline only) marks a non-browsable member;
  - a red X over the body marks a hidden object or member.
The model catalog has its own few: a folder for a category (open, closed,
grey when empty), a page for a model's INF file and a drum for its DAT file.
Run it after changing a shape; the SVG files are committed, this script is
how they are kept consistent.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# (fill, outline, light face) per kind with help; grey without help.
PALETTE = {
    "object": ("#3f9a6e", "#1f5e42", "#8fd0ad"),
    "collection": ("#e3a52a", "#8c5f08", "#f6d681"),
    "property": ("#3b7bd6", "#1d4f96", "#a9c8f2"),
    "method": ("#8757cf", "#51298f", "#c6afee"),
    "nohelp": ("#a3a9b1", "#5d646d", "#d9dde2"),
}
RED = "#d7322a"
WHITE = "#ffffff"


def cube(cx, top, half, side, colours):
    """An upright cube seen from above a corner: top, left and right faces."""
    fill, line, light = colours
    q = half / 2
    ul, ur = (cx - half, top + q), (cx + half, top + q)
    ll, lr = (cx - half, top + q + side), (cx + half, top + q + side)
    mid, bottom = (cx, top + 2 * q), (cx, top + 2 * q + side)

    def pts(*ps):
        return " ".join(f"{x:g},{y:g}" for x, y in ps)

    return (
        f'<path d="M{pts((cx, top), ur, lr, bottom, ll, ul)}Z" fill="{fill}"/>'
        f'<path d="M{pts((cx, top), ur, mid, ul)}Z" fill="{light}"/>'
        f'<path d="M{pts(mid, ur, lr, bottom)}Z" fill="{line}" fill-opacity=".35"/>'
        f'<path d="M{pts((cx, top), ur, lr, bottom, ll, ul)}Z M{pts(ul, mid, ur)} M{pts(mid, bottom)}" '
        f'fill="none" stroke="{line}" stroke-linejoin="round"/>'
    )


def node_body(kind, colours):
    if kind == "object":
        return cube(8, 1, 6.5, 7, colours)
    # Three small cubes, two below and one on top: "several objects".
    return (cube(8, 0.5, 3.5, 4, colours) + cube(4, 7.5, 3.5, 4, colours)
            + cube(12, 7.5, 3.5, 4, colours))


def book(colours, hollow, x0=1.5, x1=14.5):
    """An open book: two pages with lines of text."""
    fill, line, _ = colours
    mid = (x0 + x1) / 2
    page_fill = "none" if hollow else fill
    text = fill if hollow else WHITE
    lines = " ".join(
        f"M{x0 + 2:g} {y:g}H{mid - 1.5:g}M{mid + 1.5:g} {y:g}H{x1 - 2:g}" for y in (6, 8.5, 11))
    return (
        f'<path d="M{mid:g} 4.5C{mid - 2:g} 3 {x0 + 2:g} 2.5 {x0:g} 3.5V13.5C{x0 + 2:g} 12.5 {mid - 2:g} 13 {mid:g} 14.5'
        f'C{mid + 2:g} 13 {x1 - 2:g} 12.5 {x1:g} 13.5V3.5C{x1 - 2:g} 2.5 {mid + 2:g} 3 {mid:g} 4.5Z" '
        f'fill="{page_fill}" stroke="{line}" stroke-linejoin="round"/>'
        f'<path d="M{mid:g} 4.5V14.5" stroke="{line}"/>'
        f'<path d="{lines}" stroke="{text}" stroke-linecap="round" stroke-width=".9"/>'
    )


def pencil(colours, hollow, tip=(1.5, 14.5), length=24, halo=False):
    """A pencil lying at 45 degrees, point down to the left.

    Positions are counted in steps of half a pixel diagonal (k along the
    pencil, m across it) from a point at a pixel centre, so every slanted
    edge runs through pixel centres and stays sharp at 16 pixels.
    """
    fill, line, light = colours

    def at(k, m):
        return f"{tip[0] + (k + m) / 2:g},{tip[1] + (m - k) / 2:g}"

    def shape(*corners):
        return "M" + " ".join(at(k, m) for k, m in corners) + "Z"

    outline = shape((0, 0), (6, -3), (length, -3), (length, 3), (6, 3))
    shaft = shape((6, -3), (length - 4, -3), (length - 4, 3), (6, 3))
    parts = []
    if halo:
        parts.append(f'<path d="{outline}" fill="none" stroke="{WHITE}" stroke-width="3" stroke-linejoin="round"/>')
    if not hollow:
        parts += [f'<path d="{shaft}" fill="{fill}"/>',
                  f'<path d="{shape((0, 0), (6, -3), (6, 3))}" fill="{light}"/>',
                  f'<path d="{shape((length - 4, -3), (length, -3), (length, 3), (length - 4, 3))}" fill="{line}"/>']
    parts += [f'<path d="{outline}M{at(6, -3)} {at(6, 3)}M{at(length - 4, -3)} {at(length - 4, 3)}" '
              f'fill="none" stroke="{line}" stroke-linejoin="round"/>',
              f'<path d="{shape((0, 0), (2, -1), (2, 1))}" fill="{line}"/>']
    return "".join(parts)


def diamond(colours, hollow):
    fill, line, light = colours
    edge = "M8 1L15 8L8 15L1 8Z"
    body = "" if hollow else f'<path d="{edge}" fill="{fill}"/><path d="M8 4L12 8H4Z" fill="{light}"/>'
    return body + f'<path d="{edge}" fill="none" stroke="{line}" stroke-linejoin="round"/>'


def cross():
    """The hidden mark: a red X over the top-left corner (the one every body
    leaves most room in), with a white rim so it reads over any body."""
    d = "M1.5 1.5L6.5 6.5M6.5 1.5L1.5 6.5"
    return (f'<path d="{d}" stroke="{WHITE}" stroke-width="4" stroke-linecap="round"/>'
            f'<path d="{d}" stroke="{RED}" stroke-width="2" stroke-linecap="round"/>')


FOLDER = ("#e8b84a", "#8c6414", "#f7dc94")


def folder(colours, open_):
    """A folder with a tab; open, its front leans forward over the back."""
    fill, line, light = colours
    back = "M1.5 3.5H6L7.5 5H14.5V13.5H1.5Z"
    if not open_:
        return (f'<path d="{back}" fill="{fill}" stroke="{line}" stroke-linejoin="round"/>'
                f'<path d="M2.5 6.5H13.5" stroke="{light}"/>')
    return (f'<path d="{back}" fill="{line}" fill-opacity=".45" stroke="{line}" stroke-linejoin="round"/>'
            f'<path d="M3.5 7.5H15.5L13.5 13.5H1.5Z" fill="{light}" stroke="{line}" stroke-linejoin="round"/>')


def page(x0=2.5, x1=11.5, y0=1.5, y1=14.5):
    """A sheet with a folded corner and lines of text: an INF file."""
    fill, line, light = PALETTE["property"]
    fold = 3
    return (f'<path d="M{x0:g} {y0:g}H{x1 - fold:g}L{x1:g} {y0 + fold:g}V{y1:g}H{x0:g}Z" fill="{WHITE}" '
            f'stroke="{line}" stroke-linejoin="round"/>'
            f'<path d="M{x1 - fold:g} {y0:g}V{y0 + fold:g}H{x1:g}" fill="{light}" stroke="{line}" stroke-linejoin="round"/>'
            + "".join(f'<path d="M{x0 + 2:g} {y:g}H{x1 - 2:g}" stroke="{fill}"/>' for y in (6.5, 9, 11.5)))


def drum(cx=8, top=2.5, half=5.5, height=10):
    """A cylinder seen from a little above: a DAT file, a database."""
    fill, line, light = PALETTE["object"]
    ry = 2
    left, right, bottom = cx - half, cx + half, top + height
    side = (f"M{left:g} {top:g}V{bottom:g}A{half:g} {ry} 0 0 0 {right:g} {bottom:g}V{top:g}")
    return (f'<path d="{side}Z" fill="{fill}" stroke="{line}" stroke-linejoin="round"/>'
            f'<path d="M{left:g} {top + height / 2:g}A{half:g} {ry} 0 0 0 {right:g} {top + height / 2:g}" '
            f'fill="none" stroke="{light}"/>'
            f'<ellipse cx="{cx:g}" cy="{top:g}" rx="{half:g}" ry="{ry}" fill="{light}" stroke="{line}"/>')


def svg(title, body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">\n'
            f"<title>{title}</title>\n{body}\n</svg>\n")


def property_body(access, colours, hollow):
    if access == "readonly":
        return book(colours, hollow)
    if access == "writeonly":
        return pencil(colours, hollow)
    # Read-write: the book with the pencil lying across its right page.
    return book(colours, hollow, 0.5, 12.5) + pencil(colours, hollow, (5.5, 14.5), 16, halo=True)


STATES = {  # file-name suffix: (hollow, crossed, words)
    "": (False, False, ""),
    "-hidden": (False, True, ", hidden"),
    "-nonbrowsable": (True, False, ", non-browsable"),
    "-hidden-nonbrowsable": (True, True, ", hidden and non-browsable"),
}
ACCESS_WORDS = {"readonly": "read-only", "writeonly": "write-only", "readwrite": "read-write"}


def main():
    files = {}
    for kind in ("object", "collection"):
        for help_ in ("help", "nohelp"):
            colours = PALETTE[kind if help_ == "help" else "nohelp"]
            words = "with help" if help_ == "help" else "without help"
            for hidden in (False, True):
                name = f"node-{kind}-{help_}{'-hidden' if hidden else ''}"
                body = node_body(kind, colours) + (cross() if hidden else "")
                files[name] = svg(f"{kind}, {words}{', hidden' if hidden else ''}", body)
    for help_ in ("help", "nohelp"):
        words = "with help" if help_ == "help" else "without help"
        for suffix, (hollow, crossed, state_words) in STATES.items():
            for access, access_words in ACCESS_WORDS.items():
                colours = PALETTE["property" if help_ == "help" else "nohelp"]
                body = property_body(access, colours, hollow) + (cross() if crossed else "")
                files[f"property-{access}-{help_}{suffix}"] = svg(
                    f"{access_words} property, {words}{state_words}", body)
            colours = PALETTE["method" if help_ == "help" else "nohelp"]
            body = diamond(colours, hollow) + (cross() if crossed else "")
            files[f"method-{help_}{suffix}"] = svg(f"method, {words}{state_words}", body)
    files["unknown"] = svg("unknown image code", (
        '<rect x="2.5" y="2.5" width="11" height="11" rx="2" fill="none" stroke="#5d646d" stroke-dasharray="2 2"/>'
        '<path d="M6.5 6.5C6.5 4.5 9.5 4.5 9.5 6.5C9.5 8 8 8 8 9.5" fill="none" stroke="#5d646d" stroke-linecap="round"/>'
        '<circle cx="8" cy="11.5" r=".8" fill="#5d646d"/>'))
    files["model-category-closed"] = svg("category with models, closed", folder(FOLDER, False))
    files["model-category-open"] = svg("category, open", folder(FOLDER, True))
    files["model-category-empty"] = svg("category without models", folder(PALETTE["nohelp"], False))
    files["model-inf"] = svg("model with its INF file only", page(3.5, 12.5))
    files["model-dat"] = svg("model with its DAT file only", drum())
    files["model-both"] = svg("model with its INF and DAT files",
                              page(1.5, 10.5, 0.5, 12.5) + drum(10.5, 8.5, 4.5, 5.5))
    for name, text in files.items():
        (HERE / f"{name}.svg").write_text("<!-- SPDX-License-Identifier: MIT -->\n" + text)
    print(f"{len(files)} images written")


if __name__ == "__main__":
    main()
