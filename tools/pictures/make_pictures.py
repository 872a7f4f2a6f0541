#!/usr/bin/env python3
"""Draws the menu's pictures and writes them as PNG files into src/resources/pictures, where
Halvex.rc picks them up as RCDATA resources.

For every picture it also writes what the picture is meant to look like, uncompressed, to
tests/resources/expected/<name>.pam (netpbm PAM, RGB_ALPHA, 8 bits, straight alpha). The tests
decode the PNG with the program's own reader and compare it with that file pixel by pixel.

    python3 tools/pictures/make_pictures.py           # (re)write the pictures
    python3 tools/pictures/make_pictures.py --check   # exit 1 when a committed file differs

Only the standard library is used. The output is the same on every run: drawing uses plain float
arithmetic, and the compressed data comes from zlib at a fixed level (the bytes are stable across
zlib 1.2/1.3 releases; --check tells when a build machine's zlib disagrees).

To change a picture, edit its drawing function below, run the script and commit both outputs.
"""
import argparse
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PICTURE_DIR = os.path.join(ROOT, 'src', 'resources', 'pictures')
EXPECTED_DIR = os.path.join(ROOT, 'tests', 'resources', 'expected')

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)
MENU_BLUE = (77, 141, 198, 255)  # the window and right column colour

# PNG colour types.
GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6


# ---- Drawing -------------------------------------------------------------------------------------

class Canvas:
    """RGBA pixels with straight (not premultiplied) alpha, 0..255 per channel."""

    def __init__(self, width, height, fill=CLEAR):
        self.width = width
        self.height = height
        self.pixels = [[tuple(fill) for _ in range(width)] for _ in range(height)]

    def set(self, x, y, colour):
        self.pixels[y][x] = tuple(colour)

    def paint(self, inside, colour, samples=4, left=0, top=0, width=None, height=None):
        """Paints colour over the pixels of the shape inside(x, y) (coordinates in pixels, 0 at the
        top-left edge of the area), weighted by how much of each pixel the shape covers."""
        width = self.width if width is None else width
        height = self.height if height is None else height
        for y in range(height):
            for x in range(width):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        hits += bool(inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples))
                if hits:
                    self._blend(left + x, top + y, colour, hits / (samples * samples))

    def _blend(self, x, y, colour, coverage):
        # Source over destination, straight alpha.
        dr, dg, db, da = (c / 255 for c in self.pixels[y][x])
        sr, sg, sb, sa = (c / 255 for c in colour)
        sa *= coverage
        out_a = sa + da * (1 - sa)
        if out_a <= 0:
            return
        mix = [(s * sa + d * da * (1 - sa)) / out_a for s, d in ((sr, dr), (sg, dg), (sb, db))]
        self.pixels[y][x] = tuple(round(v * 255) for v in mix) + (round(out_a * 255),)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


# ---- The pictures --------------------------------------------------------------------------------

def win_logo():
    """imgWinLogo, the start button's face: a white ring around a four-pane window flag in slight
    perspective, white on transparent."""
    c = Canvas(32, 32)
    c.paint(minus(circle(16, 16, 15), circle(16, 16, 12.6)), WHITE)

    # The flag: a quadrilateral whose right edge is taller than its left one, split into four panes
    # by a vertical and a horizontal gap.
    left, right = 9.5, 23.0
    top_left, top_right, bottom_left, bottom_right = 11.0, 8.5, 21.0, 23.5
    gap = 1.0  # half the gap

    def flag(x, y):
        if not (left <= x <= right):
            return False
        t = (x - left) / (right - left)
        top = top_left + (top_right - top_left) * t
        bottom = bottom_left + (bottom_right - bottom_left) * t
        if not (top <= y <= bottom):
            return False
        middle_x = left + (right - left) * 0.45
        middle_y = (top + bottom) / 2
        return abs(x - middle_x) > gap and abs(y - middle_y) > gap
    c.paint(flag, WHITE)
    return c


def avatar():
    """imgAvatar's built-in picture: a generic grey user silhouette on a lighter grey tile."""
    c = Canvas(58, 58)
    for y in range(58):
        shade = round(226 - 20 * y / 57)
        for x in range(58):
            c.set(x, y, (shade, shade, shade, 255))
    figure = (140, 140, 140, 255)
    c.paint(circle(29, 22, 10.5), figure)
    c.paint(ellipse(29, 57, 21, 19), figure)
    return c


def avatar_frame():
    """The frame drawn over the 58 x 58 user picture: a square, almost opaque white border with a
    rounded opening and a thin dark line along the opening's edge, transparent inside."""
    c = Canvas(58, 58)
    opening = rounded_rect(3, 3, 55, 55, 4)
    c.paint(minus(rect(0, 0, 58, 58), opening), (255, 255, 255, 235))
    c.paint(minus(opening, rounded_rect(4, 4, 54, 54, 3)), (0, 0, 0, 70))
    return c


ARROW_ROWS = [1, 2, 3, 4, 5, 5, 4, 3, 2, 1]


def arrow_left():
    """imgArrow1, the "Back" glyph: 5 x 10, solid black, rows aligned to the right edge."""
    c = Canvas(5, 10)
    for y, w in enumerate(ARROW_ROWS):
        for x in range(5 - w, 5):
            c.set(x, y, BLACK)
    return c


def arrow_right():
    """imgArrow2, the "All Programs" glyph: 6 x 10, solid black, rows from one pixel from the left."""
    c = Canvas(6, 10)
    for y, w in enumerate(ARROW_ROWS):
        for x in range(1, 1 + w):
            c.set(x, y, BLACK)
    return c


def shutdown_arrow():
    """imgArrow3, the shutdown button's arrow: 6 x 10, white on the column's blue, opaque."""
    c = Canvas(6, 10, MENU_BLUE)
    for y, w in enumerate(ARROW_ROWS):
        for x in range(1, 1 + w):
            c.set(x, y, WHITE)
    return c


def small_icons():
    """The four built-in 16 x 16 images of the small icon list, side by side: 0 empty, 1 yellow
    folder, 2 generic application window, 3 red cross."""
    c = Canvas(64, 16)
    # 1: folder, a tab above a body, with a lighter front flap.
    c.paint(union(rect(1, 2, 7, 5), rect(1, 4, 15, 14)), (176, 128, 24, 255), left=16, width=16)
    c.paint(union(rect(2, 3, 6, 5), rect(2, 5, 14, 13)), (232, 184, 64, 255), left=16, width=16)
    c.paint(rect(2, 7, 14, 13), (252, 212, 104, 255), left=16, width=16)
    # 2: application window, a grey outline, a blue title bar and a white client area.
    c.paint(rect(1, 2, 15, 14), (96, 96, 96, 255), left=32, width=16)
    c.paint(rect(2, 3, 14, 13), WHITE, left=32, width=16)
    c.paint(rect(2, 3, 14, 5), (56, 116, 196, 255), left=32, width=16)
    # 3: red cross, two bars along the diagonals, with a darker rim.
    def bars(half_width):
        def inside(x, y):
            if not (2 <= x <= 14 and 2 <= y <= 14):
                return False
            return abs(x - y) / 2 ** 0.5 <= half_width or abs(x + y - 16) / 2 ** 0.5 <= half_width
        return inside
    c.paint(bars(2.2), (150, 20, 20, 255), left=48, width=16)
    c.paint(bars(1.4), (224, 48, 40, 255), left=48, width=16)
    return c


# A small bitmap font for the vertical captions: capitals and digits 9 pixels high, lower case with a
# 6-pixel x-height, one-pixel strokes. Only the letters the captions use are drawn.
GLYPHS = {
    'V': ['#.....#', '#.....#', '#.....#', '.#...#.', '.#...#.', '.#...#.', '..#.#..', '..#.#..', '...#...'],
    'E': ['#####', '#....', '#....', '#....', '####.', '#....', '#....', '#....', '#####'],
    'H': ['#....#', '#....#', '#....#', '#....#', '######', '#....#', '#....#', '#....#', '#....#'],
    'S': ['.###.', '#...#', '#....', '#....', '.###.', '....#', '....#', '#...#', '.###.'],
    'M': ['#.....#', '##...##', '#.#.#.#', '#..#..#', '#.....#', '#.....#', '#.....#', '#.....#', '#.....#'],
    '8': ['.###.', '#...#', '#...#', '#...#', '.###.', '#...#', '#...#', '#...#', '.###.'],
    'a': ['.....', '.....', '.....', '.###.', '....#', '.####', '#...#', '#...#', '.####'],
    'd': ['....#', '....#', '....#', '.####', '#...#', '#...#', '#...#', '#...#', '.####'],
    'e': ['.....', '.....', '.....', '.###.', '#...#', '#####', '#....', '#...#', '.###.'],
    'l': ['#', '#', '#', '#', '#', '#', '#', '#', '#'],
    'n': ['.....', '.....', '.....', '####.', '#...#', '#...#', '#...#', '#...#', '#...#'],
    'r': ['....', '....', '....', '#.##', '##..', '#...', '#...', '#...', '#...'],
    't': ['....', '.#..', '.#..', '####', '.#..', '.#..', '.#..', '.#..', '..##'],
    'u': ['.....', '.....', '.....', '#...#', '#...#', '#...#', '#...#', '#...#', '.####'],
    'v': ['.....', '.....', '.....', '#...#', '#...#', '#...#', '.#.#.', '.#.#.', '..#..'],
    'x': ['.....', '.....', '.....', '#...#', '.#.#.', '..#..', '..#..', '.#.#.', '#...#'],
}
GLYPH_HEIGHT = 9
LETTER_SPACING = 2
WORD_SPACING = 5


def text_ink(text):
    """The text set on one line: a list of ink columns, each a list of GLYPH_HEIGHT booleans."""
    columns = []
    for i, ch in enumerate(text):
        if ch == ' ':
            columns += [[False] * GLYPH_HEIGHT] * WORD_SPACING
            continue
        glyph = GLYPHS[ch]
        if i > 0 and text[i - 1] != ' ':
            columns += [[False] * GLYPH_HEIGHT] * LETTER_SPACING
        for x in range(len(glyph[0])):
            columns.append([glyph[y][x] == '#' for y in range(GLYPH_HEIGHT)])
    return columns


def vertical_caption(text, width, height, align):
    """White text reading from bottom to top (turned a quarter left: the letters' tops face the
    left edge), placed at the top ('end') or the bottom ('start') of the picture, with 6 pixels to
    spare there, so that each caption sits near its own end of the side strip."""
    columns = text_ink(text)
    if len(columns) + 6 > height:
        raise ValueError(f'"{text}" is {len(columns)} pixels long; the picture holds {height - 6}')
    c = Canvas(width, height)
    top_margin = (width - GLYPH_HEIGHT) // 2
    start = height - 1 - 6 if align == 'start' else len(columns) - 1
    for i, column in enumerate(columns):
        for gy, ink in enumerate(column):
            if ink:
                c.set(top_margin + gy, start - i, WHITE)
    return c


def win8_caption():
    """imgWin8Menu, at the top of the side strip."""
    return vertical_caption('Veradav 8 Eved', 14, 142, 'end')


def product_caption():
    """imgLabel, the product name at the bottom of the side strip."""
    return vertical_caption('Halvex Start Menu', 14, 160, 'start')


# Each picture names the colour type and bit depth it is stored in. Between them they use every colour
# type the program's reader handles, palettes and bit depths below 8 and both kinds of transparency,
# so that the round trips test the reader on files made by an encoder other than its own tests'.
PICTURES = [
    # file name,         drawing,          colour type, bit depth
    ('win_logo',         win_logo,         GREY_ALPHA, 8),
    ('avatar',           avatar,           GREY,       8),
    ('avatar_frame',     avatar_frame,     RGBA,       8),
    ('win8_caption',     win8_caption,     PALETTE,    1),
    ('product_caption',  product_caption,  GREY,       1),   # transparent through a tRNS grey key
    ('arrow_left',       arrow_left,       PALETTE,    2),
    ('arrow_right',      arrow_right,      PALETTE,    8),
    ('shutdown_arrow',   shutdown_arrow,   RGB,        8),
    ('small_icons',      small_icons,      RGBA,       8),
]


# ---- PNG and PAM writing -------------------------------------------------------------------------

def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)


def scale_down(value, depth):
    """The sample of `depth` bits for an 8-bit value; an error when the value is not exact."""
    top = (1 << depth) - 1
    sample = value * top // 255
    if sample * 255 != value * top:
        raise ValueError(f'{value} cannot be stored exactly in {depth} bits')
    return sample


def samples_of(canvas, colour_type, depth):
    """Rows of samples for the colour type, with the PLTE and tRNS chunk data it needs. Raises when
    the picture cannot be stored exactly that way."""
    pixels = [p for row in canvas.pixels for p in row]
    plte = trns = b''
    if colour_type == PALETTE:
        # Translucent entries first, so that tRNS stays short; otherwise in order of appearance.
        entries = sorted(dict.fromkeys(pixels), key=lambda p: p[3] == 255)
        if len(entries) > (1 << depth):
            raise ValueError(f'{len(entries)} colours do not fit a palette of {depth} bits')
        index = {p: i for i, p in enumerate(entries)}
        plte = b''.join(bytes(p[:3]) for p in entries)
        trns = bytes(p[3] for p in entries if p[3] != 255)
        rows = [[index[p]] for p in pixels]
    elif colour_type in (GREY, RGB):
        channels = 1 if colour_type == GREY else 3
        clear = {p for p in pixels if p[3] != 255}
        if any(p[3] != 0 for p in clear) or len(clear) > 1:
            raise ValueError('only one fully transparent colour can be stored without alpha')
        for p in pixels:
            if channels == 1 and not p[0] == p[1] == p[2]:
                raise ValueError('colour in a grey picture')
        if clear:
            key = next(iter(clear))
            if any(p[:3] == key[:3] and p[3] == 255 for p in pixels):
                raise ValueError('the transparent colour is also used opaque')
            trns = b''.join(struct.pack('>H', scale_down(v, depth)) for v in key[:channels])
        rows = [[scale_down(v, depth) for v in p[:channels]] for p in pixels]
    elif colour_type == GREY_ALPHA:
        if any(not p[0] == p[1] == p[2] for p in pixels):
            raise ValueError('colour in a grey picture')
        rows = [[p[0], p[3]] for p in pixels]
    else:
        rows = [list(p) for p in pixels]
    width = canvas.width
    return [sum(rows[y * width:(y + 1) * width], []) for y in range(canvas.height)], plte, trns


def pack(samples, depth):
    if depth == 8:
        return bytes(samples)
    out = bytearray()
    per_byte = 8 // depth
    for i in range(0, len(samples), per_byte):
        byte = 0
        group = samples[i:i + per_byte]
        for j, s in enumerate(group):
            byte |= s << (8 - depth * (j + 1))
        out.append(byte)
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, previous, bpp):
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = previous[i]
        c = previous[i - bpp] if i >= bpp else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((x - predictor) & 0xFF)
    return out


def png_bytes(canvas, colour_type, depth):
    rows, plte, trns = samples_of(canvas, colour_type, depth)
    channels = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}[colour_type]
    bpp = max(1, channels * depth // 8)
    raw = bytearray()
    previous = bytes(len(pack(rows[0], depth)))
    for y, row in enumerate(rows):
        packed = pack(row, depth)
        # Every filter type in turn, row by row: a few bytes more than choosing the best one, and
        # every picture exercises all five ways the reader undoes filtering.
        raw += filter_row(y % 5, packed, previous, bpp)
        previous = packed
    out = b'\x89PNG\r\n\x1a\n'
    out += chunk(b'IHDR', struct.pack('>IIBBBBB', canvas.width, canvas.height, depth, colour_type, 0, 0, 0))
    if plte:
        out += chunk(b'PLTE', plte)
    if trns:
        out += chunk(b'tRNS', trns)
    out += chunk(b'IDAT', zlib.compress(bytes(raw), 9))
    out += chunk(b'IEND', b'')
    return out


def pam_bytes(canvas):
    header = (f'P7\nWIDTH {canvas.width}\nHEIGHT {canvas.height}\nDEPTH 4\nMAXVAL 255\n'
              'TUPLTYPE RGB_ALPHA\nENDHDR\n').encode('ascii')
    return header + bytes(v for row in canvas.pixels for p in row for v in p)


def outputs():
    for name, draw, colour_type, depth in PICTURES:
        canvas = draw()
        yield os.path.join(PICTURE_DIR, name + '.png'), png_bytes(canvas, colour_type, depth)
        yield os.path.join(EXPECTED_DIR, name + '.pam'), pam_bytes(canvas)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--check', action='store_true',
                        help='compare with the committed files instead of writing them')
    args = parser.parse_args()
    stale = []
    for path, data in outputs():
        if args.check:
            try:
                with open(path, 'rb') as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(path)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)
            print(os.path.relpath(path, ROOT))
    for path in stale:
        print(f'differs from what {os.path.basename(__file__)} draws: {os.path.relpath(path, ROOT)}')
    return 1 if stale else 0


if __name__ == '__main__':
    sys.exit(main())
