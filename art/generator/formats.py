"""Byte-by-byte writers (and small readers for the checks) of BMP, ICO and PNG files."""

import struct
import zlib


def bmp_bytes(canvas):
    """A 24-bit bottom-up BI_RGB bitmap of an opaque canvas."""
    w, h = canvas.width, canvas.height
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = canvas.pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def read_bmp(data):
    """(width, height, bits per pixel, rows) of a bottom-up BI_RGB bitmap; rows[y][x] = (r, g, b), y from the top."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    size, w, h, planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    if size < 40 or planes != 1 or compression != 0 or bpp != 24 or h <= 0:
        raise ValueError("unexpected BMP layout")
    stride = (w * 3 + 3) & ~3
    if len(data) < offset + stride * h:
        raise ValueError("BMP pixel data is cut short")
    rows = []
    for y in range(h):
        start = offset + (h - 1 - y) * stride
        rows.append([(data[start + 3 * x + 2], data[start + 3 * x + 1], data[start + 3 * x]) for x in range(w)])
    return w, h, bpp, rows


def png_bytes(canvas):
    """An 8-bit RGBA PNG (filter 0 on every row), compressed with zlib."""
    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)
        for x in range(canvas.width):
            raw += bytes(canvas.pixel(x, y))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


def _icon_dib(canvas):
    """An icon image: BITMAPINFOHEADER (height doubled), 32-bit BGRA rows bottom-up, then the AND mask."""
    w, h = canvas.width, canvas.height
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = canvas.pixel(x, y)
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(canvases, png_from=256):
    """An .ico file with one 32-bit image per canvas; images of `png_from` pixels and up are stored as PNG."""
    images = [png_bytes(c) if c.width >= png_from else _icon_dib(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack(
            "<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(image), offset
        )
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def read_ico_sizes(data):
    """[(width, height, bits, is_png)] of the images in an .ico file, checked against their own headers."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        raise ValueError("not an icon file")
    sizes = []
    for n in range(count):
        w, h, _, _, _, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        w, h = w or 256, h or 256
        if offset + length > len(data):
            raise ValueError("icon image runs past the end of the file")
        image = data[offset : offset + length]
        if image[:8] == b"\x89PNG\r\n\x1a\n":
            pw, ph = struct.unpack_from(">II", image, 16)
            if (pw, ph) != (w, h):
                raise ValueError("PNG icon image size differs from its directory entry")
            sizes.append((w, h, bits, True))
        else:
            _, dw, dh, _, dbits = struct.unpack_from("<IiiHH", image, 0)
            if (dw, dh, dbits) != (w, 2 * h, bits):
                raise ValueError("icon image header differs from its directory entry")
            mask_stride = ((w + 31) // 32) * 4
            if length != 40 + w * h * 4 + mask_stride * h:
                raise ValueError("icon image has the wrong length")
            sizes.append((w, h, bits, False))
    return sizes
