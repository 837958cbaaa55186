#!/usr/bin/env python3
"""Writes the toolbar image strip (toolbar128.xpm: 18 images of 16 x 15, left to right in
toolbar order) and the application icon (icon128.xpm, 32 x 32, and the desktop's icons
desktop/morlu-sorvendal-32.png and -64.png) from the pixel art below.

Run it from this folder after changing the art; both outputs are committed."""

PALETTE = {
    ".": "None",      # transparent
    "k": "#000000",   # outline
    "w": "#FFFFFF",
    "g": "#808080",
    "l": "#C0C0C0",
    "y": "#F0C840",   # folder
    "b": "#2050C0",
    "c": "#60A0E0",
    "r": "#D02020",
    "G": "#20A040",
    "o": "#E08020",
}

IMAGES = {
    "new": [
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwwwwwwkwk....",
        "..kwwwwwwkkkk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kkkkkkkkkkk...",
        "................",
    ],
    "open": [
        "................",
        "................",
        ".kkkk...........",
        "kyyyyk..........",
        "kyyyyykkkkkk....",
        "kyyyyyyyyyyk....",
        "kyyykkkkkkkkkk..",
        "kyykooooooooook.",
        "kykooooooooook..",
        "kkooooooooook...",
        "kkoooooooook....",
        "kkkkkkkkkkk.....",
        "................",
        "................",
        "................",
    ],
    "save": [
        "................",
        ".kkkkkkkkkkkkk..",
        ".kbkwwwwwwwkbk..",
        ".kbkwwwwwwwkbk..",
        ".kbkwwwwwwwkbk..",
        ".kbkwwwwwwwkbk..",
        ".kbbkkkkkkkbbk..",
        ".kbbbbbbbbbbbk..",
        ".kbbkkkkkkkbbk..",
        ".kbbkllllgkbbk..",
        ".kbbkllllgkbbk..",
        ".kbbkllllgkbbk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
    ],
    "import": [
        "......kkk.......",
        "......kGk.......",
        "......kGk.......",
        "......kGk.......",
        "....kkkGkkk.....",
        ".....kGGGk......",
        "......kGk.......",
        ".kkkkkkkkkkkkk..",
        ".kwwwwwwwwwwwk..",
        ".kwccwwwwwccwk..",
        ".kwccccwccccwk..",
        ".kwwccccccwwwk..",
        ".kwwwwccwwwwwk..",
        ".kkkkkkkkkkkkk..",
        "................",
    ],
    "export": [
        "......kkk.......",
        ".....kGGGk......",
        "....kGGGGGk.....",
        "....kkkGkkk.....",
        "......kGk.......",
        "......kGk.......",
        "......kkk.......",
        ".kkkkkkkkkkkkk..",
        ".kwwwwwwwwwwwk..",
        ".kwkkkwkkkwwwk..",
        ".kwwwwwwwwwwwk..",
        ".kwkkwkkkkkwwk..",
        ".kwwwwwwwwwwwk..",
        ".kkkkkkkkkkkkk..",
        "................",
    ],
    "cut": [
        "....k.....k.....",
        "....k.....k.....",
        "....kk...kk.....",
        ".....k...k......",
        ".....kk.kk......",
        "......kkk.......",
        ".......k........",
        "......k.k.......",
        "....rrr.rrr.....",
        "...r..r.r..r....",
        "...r..r.r..r....",
        "...r..r.r..r....",
        "....rr...rr.....",
        "................",
        "................",
    ],
    "copy": [
        "kkkkkkk.........",
        "kwwwwwkk........",
        "kwkkkwkwk.......",
        "kwwwwkkkkkkk....",
        "kwkkkkwwwwwkk...",
        "kwwwwkwkkkwkwk..",
        "kwkkkkwwwwwkkkk.",
        "kwwwwkwkkkkkwwk.",
        "kkkkkkwwwwwwwwk.",
        ".....kwkkkkkkwk.",
        ".....kwwwwwwwwk.",
        ".....kwkkkkkkwk.",
        ".....kwwwwwwwwk.",
        ".....kkkkkkkkkk.",
        "................",
    ],
    "paste": [
        "....kkkkkk......",
        ".kkkkllllkkkk...",
        ".kookkkkkkook...",
        ".kooooooooook...",
        ".kooookkkkkkkkk.",
        ".kooookwwwwwwwk.",
        ".kooookwkkkkkwk.",
        ".kooookwwwwwwwk.",
        ".kooookwkkkkkwk.",
        ".kooookwwwwwwwk.",
        ".kooookwkkkkwwk.",
        ".kooookwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
    ],
    "move": [
        ".......k........",
        "......kbk.......",
        ".....kbbbk......",
        ".......b........",
        "...k...b...k....",
        "..kb...b...bk...",
        ".kbbbbbbbbbbbk..",
        "..kb...b...bk...",
        "...k...b...k....",
        ".......b........",
        ".....kbbbk......",
        "......kbk.......",
        ".......k........",
        "................",
        "................",
    ],
    "rotate": [
        "................",
        ".....bbbbb......",
        "...bb.....bb.k..",
        "..b.........bk..",
        "..b........kbk..",
        ".b........kkkk..",
        ".b..............",
        ".b..............",
        ".b..........b...",
        "..b.........b...",
        "..b........b....",
        "...bb.....bb....",
        ".....bbbbb......",
        "................",
        "................",
    ],
    "scale": [
        "kkkkkk..........",
        "kwwwwk..........",
        "kwwwwk..........",
        "kwwwwk..........",
        "kkkkkk..........",
        "......b.........",
        ".......b........",
        "........b..kkkk.",
        ".........b..bbk.",
        "..........b.bbk.",
        "...........bbbk.",
        "........kbbbbbk.",
        "........kkkkkkk.",
        "................",
        "................",
    ],
    "perspective": [
        "................",
        "......kkkkkkkk..",
        ".....k.....kkk..",
        "....k.....k.ck..",
        "...kkkkkkkk.ck..",
        "...kcccccck.ck..",
        "...kcccccck.ck..",
        "...kcccccck.ck..",
        "...kcccccck.k...",
        "...kcccccckk....",
        "...kkkkkkkk.....",
        "................",
        ".gggggggggggggg.",
        "................",
        "................",
    ],
    "center": [
        ".......r........",
        ".......r........",
        ".....kkrkk......",
        "....k..r..k.....",
        "...k...r...k....",
        "...k...r...k....",
        "rrrrrrrrrrrrrrr.",
        "...k...r...k....",
        "...k...r...k....",
        "....k..r..k.....",
        ".....kkrkk......",
        ".......r........",
        ".......r........",
        "................",
        "................",
    ],
    "first": [
        "................",
        "................",
        "..kk......kk....",
        "..kk.....kbk....",
        "..kk....kbbk....",
        "..kk...kbbbk....",
        "..kk..kbbbbk....",
        "..kk.kbbbbbk....",
        "..kk..kbbbbk....",
        "..kk...kbbbk....",
        "..kk....kbbk....",
        "..kk.....kbk....",
        "..kk......kk....",
        "................",
        "................",
    ],
    "play": [
        "................",
        "................",
        "....kk..........",
        "....kGk.........",
        "....kGGk........",
        "....kGGGk.......",
        "....kGGGGk......",
        "....kGGGGGk.....",
        "....kGGGGk......",
        "....kGGGk.......",
        "....kGGk........",
        "....kGk.........",
        "....kk..........",
        "................",
        "................",
    ],
    "stop": [
        "................",
        "................",
        "................",
        "...kkkkkkkkk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kbbbbbbbk....",
        "...kkkkkkkkk....",
        "................",
        "................",
        "................",
    ],
    "last": [
        "................",
        "................",
        "...kk......kk...",
        "...kbk.....kk...",
        "...kbbk....kk...",
        "...kbbbk...kk...",
        "...kbbbbk..kk...",
        "...kbbbbbk.kk...",
        "...kbbbbk..kk...",
        "...kbbbk...kk...",
        "...kbbk....kk...",
        "...kbk.....kk...",
        "...kk......kk...",
        "................",
        "................",
    ],
    "record": [
        "................",
        "................",
        ".....kkkkk......",
        "....krrrrrk.....",
        "...krrwrrrrk....",
        "..krrwrrrrrrk...",
        "..krrrrrrrrrk...",
        "..krrrrrrrrrk...",
        "..krrrrrrrrrk...",
        "..krrrrrrrrrk...",
        "...krrrrrrrk....",
        "....krrrrrk.....",
        ".....kkkkk......",
        "................",
        "................",
    ],
}

TOOLBAR_ORDER = ["new", "open", "save", "import", "export", "cut", "copy", "paste", "move",
                 "rotate", "scale", "perspective", "center", "first", "play", "stop", "last",
                 "record"]


def icon_art():
    """A 32 x 32 film frame with a figure on a blue ground."""
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            if y < 3 or y > 28 or x < 1 or x > 30:
                row += "."
            elif y < 6 or y > 25:
                row += "w" if (x % 5 in (2, 3) and 1 < x < 30) else "k"
            elif (x - 16) ** 2 + (y - 11) ** 2 <= 9:
                row += "o"
            elif 14 <= x <= 18 and 14 <= y <= 20:
                row += "r"
            elif (12 <= x <= 13 or 19 <= x <= 20) and 14 <= y <= 18:
                row += "o"
            elif (14 <= x <= 15 or 17 <= x <= 18) and 21 <= y <= 24:
                row += "k"
            else:
                row += "c" if y < 21 else "G"
        rows.append(row)
    return rows


def write_xpm(path, name, rows):
    used = sorted({c for row in rows for c in row})
    lines = [f"/* XPM */", f"static const char* {name}[] = {{",
             f'"{len(rows[0])} {len(rows)} {len(used)} 1",']
    lines += [f'"{c} c {PALETTE[c]}",' for c in used]
    lines += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', "};"]
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def write_png(path, rows, scale):
    """An RGBA PNG of the art, each pixel `scale` x `scale`."""
    import struct
    import zlib

    def rgba(c):
        colour = PALETTE[c]
        if colour == "None":
            return b"\0\0\0\0"
        return bytes.fromhex(colour[1:]) + b"\xff"

    lines = b""
    for row in rows:
        line = b"".join(rgba(c) * scale for c in row)
        lines += (b"\0" + line) * scale

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    width, height = len(rows[0]) * scale, len(rows) * scale
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(lines, 9)) + chunk(b"IEND", b""))


def main():
    for name, art in IMAGES.items():
        assert len(art) == 15 and all(len(row) == 16 for row in art), name
        assert all(c in PALETTE for row in art for c in row), name
    strip = ["".join(IMAGES[name][y] for name in TOOLBAR_ORDER) for y in range(15)]
    write_xpm("toolbar128.xpm", "toolbar128", strip)
    write_xpm("icon128.xpm", "icon128", icon_art())
    write_png("desktop/morlu-sorvendal-32.png", icon_art(), 1)
    write_png("desktop/morlu-sorvendal-64.png", icon_art(), 2)


if __name__ == "__main__":
    main()
