#!/usr/bin/python3
"""Makes the application icon images from res/icon/zandrel2.svg.

Writes the hicolor PNGs for the Linux desktop and res/Zandrel2.ico for Windows, then
reads them back to check them. The output is committed, so building never needs
rsvg-convert; rerun this after editing the SVG. The same SVG gives the same bytes.
"""

import io
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
SVG = os.path.join(ROOT, "res", "icon", "zandrel2.svg")
HICOLOR = os.path.join(ROOT, "res", "icon", "hicolor")
ICO = os.path.join(ROOT, "res", "Zandrel2.ico")
PNG_SIZES = (16, 32, 48, 64, 128, 256)

# Pixels at least this opaque are drawn; the rest go through the AND mask.
ALPHA_THRESHOLD = 128

# The standard 16-colour VGA palette, in its usual order so index 0 is black (what
# transparent pixels must hold) and index 15 is white.
VGA16 = (
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
)
WHITE = 15


def render(size):
    """The SVG drawn at size x size as an RGBA image, via rsvg-convert."""
    png = subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), SVG],
                         check=True, stdout=subprocess.PIPE).stdout
    image = Image.open(io.BytesIO(png))
    image.load()
    image = image.convert("RGBA")
    # Anything rsvg-convert put in the PNG's metadata stays out of ours.
    image.info = {}
    return image


def write_pngs():
    paths = []
    for size in PNG_SIZES:
        path = os.path.join(HICOLOR, f"{size}x{size}", "apps", "zandrel2.png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        render(size).save(path, optimize=True)
        paths.append(path)
    return paths


def _ycc(rgb):
    r, g, b = rgb
    y = 0.299 * r + 0.587 * g + 0.114 * b
    return y, 0.564 * (b - y), 0.713 * (r - y)


def nearest_vga(rgb):
    """Index of the VGA colour closest to rgb.

    Chroma counts double: by plain RGB distance light blue and light green land on
    grey, and the screen and the arrow would lose their colour at 16x16.
    """
    y, cb, cr = _ycc(rgb)
    best, best_distance = 0, None
    for index, colour in enumerate(VGA16):
        py, pcb, pcr = _ycc(colour)
        distance = (y - py) ** 2 + 4 * ((cb - pcb) ** 2 + (cr - pcr) ** 2)
        if best_distance is None or distance < best_distance:
            best, best_distance = index, distance
    return best


def opaque_mask(image):
    return [a >= ALPHA_THRESHOLD for a in image.getchannel("A").getdata()]


def indexed_vga16(image):
    """(palette, indices, opaque) for image mapped onto the VGA palette."""
    opaque = opaque_mask(image)
    cache = {}
    indices = []
    for (r, g, b, _), solid in zip(image.getdata(), opaque):
        if not solid:
            indices.append(0)
            continue
        if (r, g, b) not in cache:
            cache[(r, g, b)] = nearest_vga((r, g, b))
        indices.append(cache[(r, g, b)])
    return list(VGA16), indices, opaque


def indexed_256(image):
    """(palette, indices, opaque) for image reduced to 256 colours, index 0 black.

    Only the opaque pixels are quantised, so the hidden colours of transparent pixels
    take no share of the palette; their index is 0, which is black.
    """
    opaque = opaque_mask(image)
    colours = [p[:3] for p, solid in zip(image.getdata(), opaque) if solid]
    strip = Image.new("RGB", (len(colours), 1))
    strip.putdata(colours)
    reduced = strip.quantize(colors=255, method=Image.Quantize.MEDIANCUT,
                             dither=Image.Dither.NONE)
    flat = reduced.getpalette()[:255 * 3]
    palette = [(0, 0, 0)] + [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    shifted = iter(i + 1 for i in reduced.getdata())
    indices = [next(shifted) if solid else 0 for solid in opaque]
    return palette, indices, opaque


def _padded(row):
    return row + b"\0" * (-len(row) % 4)


def bmp_image(size, bits, palette, indices, opaque):
    """One ICO image: BITMAPINFOHEADER, RGBQUAD palette, XOR bitmap, AND mask."""
    assert bits in (4, 8) and len(palette) == 1 << bits
    xor_rows, and_rows = [], []
    for y in range(size):
        row = indices[y * size:(y + 1) * size]
        if bits == 4:
            xor = bytes((row[x] << 4) | row[x + 1] for x in range(0, size, 2))
        else:
            xor = bytes(row)
        mask = bytearray((size + 7) // 8)
        for x, solid in enumerate(opaque[y * size:(y + 1) * size]):
            if not solid:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(_padded(xor))
        and_rows.append(_padded(bytes(mask)))
    # Both bitmaps are stored bottom-up.
    pixels = b"".join(reversed(xor_rows)) + b"".join(reversed(and_rows))
    # biHeight covers the XOR bitmap and the AND mask stacked together.
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(pixels),
                         0, 0, 0, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + rgbquads + pixels


def ico_file(images):
    """images: (size, bits, data) in file order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, blobs = [], []
    for size, bits, data in images:
        colour_count = 1 << bits if bits < 8 else 0
        entries.append(struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits,
                                   len(data), offset))
        blobs.append(data)
        offset += len(data)
    return directory + b"".join(entries) + b"".join(blobs)


def expected_rgba(palette, indices, opaque):
    return [palette[i] + (255,) if solid else (0, 0, 0, 0)
            for i, solid in zip(indices, opaque)]


def write_ico():
    """Writes the ICO; returns what each image should decode to, in file order."""
    # A plain white square first: 32x32, 16 colours, nothing transparent.
    white = (list(VGA16), [WHITE] * (32 * 32), [True] * (32 * 32))
    small = indexed_vga16(render(16))
    large = indexed_256(render(32))
    layout = ((32, 4, white), (16, 4, small), (32, 8, large))
    data = ico_file([(size, bits, bmp_image(size, bits, *art)) for size, bits, art in layout])
    with open(ICO, "wb") as out:
        out.write(data)
    return [(size, bits, expected_rgba(*art)) for size, bits, art in layout]


def check_pngs(paths):
    for size, path in zip(PNG_SIZES, paths):
        with Image.open(path) as image:
            if image.format != "PNG" or image.mode != "RGBA" or image.size != (size, size):
                sys.exit(f"make-icon: {path}: {image.format} {image.mode} {image.size}")


def check_ico(expected):
    """Reads the ICO back with PIL's own decoder and compares every pixel."""
    with Image.open(ICO) as ico:
        if ico.format != "ICO" or ico.info["sizes"] != {(32, 32), (16, 16)}:
            sys.exit(f"make-icon: {ICO}: {ico.format} {ico.info.get('sizes')}")
        # PIL keeps its entries sorted by size and depth; the offsets give file order.
        order = sorted(range(len(ico.ico.entry)), key=lambda i: ico.ico.entry[i]["offset"])
        if len(order) != len(expected):
            sys.exit(f"make-icon: {ICO}: {len(order)} images, expected {len(expected)}")
        for number, (index, (size, bits, pixels)) in enumerate(zip(order, expected), 1):
            entry = ico.ico.entry[index]
            found = (entry["dim"], entry["bpp"], entry["nb_color"])
            wanted = ((size, size), bits, 16 if bits == 4 else 0)
            if found != wanted:
                sys.exit(f"make-icon: {ICO}: image {number} is {found}, expected {wanted}")
            image = ico.ico.frame(index)
            if list(image.getdata()) != pixels:
                sys.exit(f"make-icon: {ICO}: image {number} does not decode to what was written")


def main():
    if shutil.which("rsvg-convert") is None:
        sys.exit("make-icon: rsvg-convert is missing (Debian package librsvg2-bin)")
    paths = write_pngs()
    expected = write_ico()
    check_pngs(paths)
    check_ico(expected)
    for path in paths + [ICO]:
        print(f"{os.path.relpath(path, ROOT)}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
