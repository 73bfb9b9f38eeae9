"""A small baseline JPEG writer (4:4:4, three components) that takes its planes as floats.

The glyph sheet needs pixels that decode to exactly 0 around the glyphs. A normal encoder clamps its input to
0..255, and the rounding noise of the DCT then spreads small positive values around every stroke. Here the
luminance of empty pixels is set a few levels *below* black: the noise can no longer reach 1, and every
decoder clamps the result back to 0. Blocks without ink decode exactly to black anyway.
"""
import struct

import numpy as np


def _dct_matrix():
    c = np.zeros((8, 8))
    for u in range(8):
        cu = np.sqrt(0.5) if u == 0 else 1.0
        for x in range(8):
            c[u, x] = cu / 2 * np.cos((2 * x + 1) * u * np.pi / 16)
    return c


def _zigzag():
    order = sorted(((x, y) for y in range(8) for x in range(8)),
                   key=lambda p: (p[0] + p[1], p[0] if (p[0] + p[1]) % 2 == 0 else p[1]))
    return [y * 8 + x for x, y in order]


ZIGZAG = _zigzag()


def _canonical(lengths):
    """Code table {symbol: (code, length)} and the DHT 'bits' list for symbols listed by length."""
    bits = [0] * 16
    symbols = []
    for length in range(1, 17):
        group = [s for s, n in lengths if n == length]
        bits[length - 1] = len(group)
        symbols += group
    table, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            table[symbols[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return table, bits, symbols


# Hand-made Huffman tables: short codes for the overwhelming cases (no change of DC, end of block).
DC_TABLE = _canonical([(0, 1)] + [(s, 5) for s in range(1, 12)])
AC_TABLE = _canonical([(0x00, 2)] + [((run << 4) | size, 8) for run in range(16) for size in range(1, 11)] +
                      [(0xF0, 8)])


class _Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, code, length):
        self.acc = (self.acc << length) | code
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)


def _category(v):
    v = abs(int(v))
    return v.bit_length()


def _extra(v, size):
    return v if v >= 0 else v + (1 << size) - 1


def encode(planes, quant=(2, 2)):
    """planes: three float arrays (Y, Cb, Cr) of equal size, multiples of 8, values nominally 0..255 (they may
    go below 0). quant: the uniform quantiser step of the luminance and the chroma tables."""
    h, w = planes[0].shape
    C = _dct_matrix()
    coefs = []
    for p in planes:
        b = (np.asarray(p, np.float64) - 128.0).reshape(h // 8, 8, w // 8, 8).transpose(0, 2, 1, 3)
        f = np.einsum('ux,ijxy,vy->ijuv', C, b, C)
        coefs.append(f)
    qs = [quant[0], quant[1], quant[1]]
    q_blocks = []
    for f, q in zip(coefs, qs):
        z = np.clip(np.round(f / q), -1023, 1023).astype(np.int64)
        z = z.reshape(h // 8, w // 8, 64)[:, :, ZIGZAG]
        q_blocks.append(z)

    bits = _Bits()
    pred = [0, 0, 0]
    dc_tab, ac_tab = DC_TABLE[0], AC_TABLE[0]
    for by in range(h // 8):
        for bx in range(w // 8):
            for ci in range(3):
                blk = q_blocks[ci][by, bx]
                diff = int(blk[0]) - pred[ci]
                pred[ci] = int(blk[0])
                s = _category(diff)
                bits.put(*dc_tab[s])
                if s:
                    bits.put(_extra(diff, s), s)
                nz = np.nonzero(blk[1:])[0]
                run_start = 1
                for idx in nz:
                    k = idx + 1
                    run = k - run_start
                    while run > 15:
                        bits.put(*ac_tab[0xF0])
                        run -= 16
                    v = int(blk[k])
                    s = _category(v)
                    bits.put(*ac_tab[(run << 4) | s])
                    bits.put(_extra(v, s), s)
                    run_start = k + 1
                if run_start <= 63:
                    bits.put(*ac_tab[0x00])
    bits.flush()

    out = bytearray(b'\xff\xd8')
    out += b'\xff\xe0' + struct.pack('>H5sBBBHHBB', 16, b'JFIF\0', 1, 1, 0, 1, 1, 0, 0)
    for tid, q in enumerate(quant):
        out += b'\xff\xdb' + struct.pack('>HB', 67, tid) + bytes([q] * 64)
    out += b'\xff\xc0' + struct.pack('>HBHHB', 17, 8, h, w, 3)
    for cid, tq in ((1, 0), (2, 1), (3, 1)):
        out += struct.pack('>BBB', cid, 0x11, tq)
    for cls_id, (table, blist, syms) in ((0x00, DC_TABLE), (0x10, AC_TABLE)):
        body = bytes([cls_id]) + bytes(blist) + bytes(syms)
        out += b'\xff\xc4' + struct.pack('>H', len(body) + 2) + body
    out += b'\xff\xda' + struct.pack('>HB', 12, 3)
    for cid in (1, 2, 3):
        out += struct.pack('>BB', cid, 0x00)
    out += bytes([0, 63, 0])
    out += bits.out
    out += b'\xff\xd9'
    return bytes(out)
