#!/usr/bin/env python3
"""Writes the demo's process maps (one XML file per second-level catalog
entry) in the stored map format: boxes and arrows in file units, some
captions as "=?gb2312?B?...?=" encoded words, icons as Base64 text wrapped in
lines of 72 characters. Run it from this folder after changing a flow; the
XML files it writes are what the demo database stores."""
import base64, math, struct, zlib

# ---------------------------------------------------------------- icons

def png(width, height, pixels):
    raw = b''.join(b'\x00' + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))
    def chunk(kind, data):
        c = struct.pack('>I', len(data)) + kind + data
        return c + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

def rounded(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def seg(x, y, ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= (w / 2) ** 2

def rect(x, y, x0, y0, x1, y1):
    return x0 <= x <= x1 and y0 <= y <= y1

def ring(x, y, cx, cy, r, w):
    d = math.hypot(x - cx, y - cy)
    return r - w / 2 <= d <= r + w / 2

GLYPHS = {
    'doc': lambda x, y: (rounded(x, y, 10, 7, 22, 25, 1.5) and not rect(x, y, 12, 9, 20, 23))
        or rect(x, y, 13, 11, 19, 12.4) or rect(x, y, 13, 15, 19, 16.4) or rect(x, y, 13, 19, 17, 20.4),
    'check': lambda x, y: seg(x, y, 9, 16.5, 14, 21.5, 3.2) or seg(x, y, 14, 21.5, 23.5, 10.5, 3.2),
    'search': lambda x, y: ring(x, y, 14, 14, 5.5, 2.6) or seg(x, y, 18, 18, 23.5, 23.5, 3.2),
    'box': lambda x, y: (rounded(x, y, 8, 11, 24, 24, 1.5) and not rect(x, y, 10, 13, 22, 22))
        or rect(x, y, 8, 11, 24, 14) or seg(x, y, 10, 11, 13, 7.5, 2.2) or seg(x, y, 22, 11, 19, 7.5, 2.2)
        or rect(x, y, 14.5, 16, 17.5, 17.5),
    'truck': lambda x, y: rect(x, y, 6, 10, 18, 19) or (rect(x, y, 18, 13, 25, 19) and not rect(x, y, 19.5, 14.5, 23.5, 16))
        or ring(x, y, 10, 21, 2, 1.8) or ring(x, y, 21, 21, 2, 1.8),
    'back': lambda x, y: ring(x, y, 16, 16, 7, 2.6) and not (x > 16 and y < 16) or seg(x, y, 16, 9, 20, 6, 2.4) or seg(x, y, 16, 9, 20, 12, 2.4),
    'chart': lambda x, y: rect(x, y, 8, 17, 11, 24) or rect(x, y, 14.5, 11, 17.5, 24) or rect(x, y, 21, 8, 24, 24)
        or rect(x, y, 7, 24, 25, 25.4),
    'coin': lambda x, y: ring(x, y, 16, 16, 8, 2.2) or seg(x, y, 12.5, 11.5, 16, 15.5, 2) or seg(x, y, 19.5, 11.5, 16, 15.5, 2)
        or rect(x, y, 15, 15.5, 17, 21.5) or rect(x, y, 12.5, 16.5, 19.5, 17.8) or rect(x, y, 12.5, 19, 19.5, 20.3),
    'ledger': lambda x, y: (rounded(x, y, 8, 7, 24, 25, 2) and not rect(x, y, 12, 9, 22, 23)) or rect(x, y, 8, 7, 11, 25)
        or rect(x, y, 14, 12, 20, 13.4) or rect(x, y, 14, 16, 20, 17.4),
    'user': lambda x, y: (x - 16) ** 2 + (y - 12) ** 2 <= 16 or (rounded(x, y, 8, 18, 24, 30, 6) and y <= 25),
    'key': lambda x, y: ring(x, y, 12, 16, 4.5, 2.6) or rect(x, y, 16, 15, 25, 17.4) or rect(x, y, 21, 17, 23, 21),
    'gear': lambda x, y: (ring(x, y, 16, 16, 5.5, 3) or any(seg(x, y, 16 + 6 * math.cos(a), 16 + 6 * math.sin(a),
                          16 + 9 * math.cos(a), 16 + 9 * math.sin(a), 3.2) for a in [k * math.pi / 4 for k in range(8)])),
    'plug': lambda x, y: rounded(x, y, 10, 12, 22, 20, 3) or rect(x, y, 12.5, 7, 14.5, 12) or rect(x, y, 17.5, 7, 19.5, 12)
        or rect(x, y, 15, 20, 17, 26),
    'bell': lambda x, y: ((x - 16) ** 2 / 49 + (y - 15) ** 2 / 49 <= 1 and y <= 15) or rect(x, y, 9, 15, 23, 21)
        or rect(x, y, 7, 21, 25, 22.6) or (x - 16) ** 2 + (y - 24.5) ** 2 <= 4,
    'swap': lambda x, y: seg(x, y, 8, 12, 23, 12, 2.4) or seg(x, y, 23, 12, 19, 8.5, 2.4) or seg(x, y, 23, 12, 19, 15.5, 2.4)
        or seg(x, y, 24, 20, 9, 20, 2.4) or seg(x, y, 9, 20, 13, 16.5, 2.4) or seg(x, y, 9, 20, 13, 23.5, 2.4),
    'stamp': lambda x, y: (x - 16) ** 2 + (y - 11) ** 2 <= 16 or rect(x, y, 14, 13, 18, 19) or rounded(x, y, 8, 19, 24, 23, 1.5)
        or rect(x, y, 8, 25, 24, 26.4),
}

COLORS = {  # top and bottom of the tile's gradient
    'blue': ((0x3b, 0x8e, 0xd6), (0x1f, 0x6f, 0xb2)),
    'green': ((0x3c, 0xb3, 0x7a), (0x23, 0x8f, 0x5b)),
    'orange': ((0xf5, 0xa6, 0x3c), (0xdf, 0x7f, 0x1a)),
    'purple': ((0x8e, 0x6b, 0xd6), (0x6a, 0x4c, 0xb5)),
    'teal': ((0x2f, 0xb5, 0xc0), (0x17, 0x8f, 0x9c)),
    'red': ((0xea, 0x6b, 0x66), (0xcc, 0x45, 0x45)),
    'slate': ((0x74, 0x86, 0x9c), (0x55, 0x66, 0x7c)),
}

def icon(glyph, color, size=64):
    """A 32 x 32 design drawn at size pixels (64: sharp on screens at 200%)."""
    top, bottom = COLORS[color]
    s = 4
    px = []
    for j in range(size):
        for i in range(size):
            tile = glyph_cov = 0
            for sy in range(s):
                for sx in range(s):
                    x = (i + (sx + 0.5) / s) * 32 / size
                    y = (j + (sy + 0.5) / s) * 32 / size
                    if rounded(x, y, 1, 1, 31, 31, 7):
                        tile += 1
                        if GLYPHS[glyph](x, y):
                            glyph_cov += 1
            t = j / (size - 1)
            base = [round(top[k] * (1 - t) + bottom[k] * t) for k in range(3)]
            if tile == 0:
                px += [0, 0, 0, 0]
                continue
            g = glyph_cov / tile
            rgb = [round(base[k] * (1 - g) + 255 * g) for k in range(3)]
            px += rgb + [round(255 * tile / (s * s))]
    return png(size, size, px)

# ---------------------------------------------------------------- maps

BOX_W, BOX_H = 30, 22        # file units (57 twips each)
COL, ROW = 46, 38            # pitch of the grid
X0, Y0 = 4, 4
LINE = 0x00B26F1F            # the accent blue, as a Windows colour value (0x00BBGGRR)
BLOCK_FILL = 0x00F5E6D8

FUNCTIONS = {  # code: (caption, glyph, colour)
    '010101': ('采购订单录入', 'doc', 'blue'), '010102': ('采购订单审核', 'check', 'green'),
    '010103': ('采购订单查询', 'search', 'slate'), '010201': ('采购入库单', 'box', 'teal'),
    '010202': ('采购退货单', 'back', 'red'), '010301': ('采购明细表', 'chart', 'purple'),
    '010302': ('采购汇总表', 'chart', 'blue'), '010303': ('供应商对账单', 'ledger', 'orange'),
    '020101': ('销售订单录入', 'doc', 'blue'), '020102': ('销售订单审核', 'check', 'green'),
    '020103': ('销售订单查询', 'search', 'slate'), '020201': ('销售出库单', 'truck', 'teal'),
    '020202': ('销售退货单', 'back', 'red'), '020301': ('销售明细表', 'chart', 'purple'),
    '020302': ('销售排行榜', 'chart', 'orange'), '030101': ('其他入库单', 'box', 'teal'),
    '030102': ('其他出库单', 'truck', 'blue'), '030103': ('调拨单', 'swap', 'purple'),
    '030201': ('盘点单', 'doc', 'green'), '030202': ('盘点差异表', 'chart', 'red'),
    '030301': ('库存台账', 'ledger', 'teal'), '030302': ('库存余额表', 'chart', 'blue'),
    '040101': ('凭证录入', 'doc', 'blue'), '040102': ('凭证审核', 'check', 'green'),
    '040103': ('记账', 'stamp', 'orange'), '040201': ('总账', 'ledger', 'purple'),
    '040202': ('明细账', 'ledger', 'teal'), '050101': ('应收单', 'doc', 'orange'),
    '050102': ('收款单', 'coin', 'green'), '050201': ('应收账龄分析', 'chart', 'red'),
    '060101': ('操作员管理', 'user', 'blue'), '060102': ('权限设置', 'key', 'orange'),
    '060103': ('参数设置', 'gear', 'slate'), '060201': ('插件管理', 'plug', 'purple'),
    '060202': ('预警报表', 'bell', 'red'),
}

# Each map: boxes at grid cells (code, column, row) and arrows between box indexes.
# The flag "block" draws the main direction of the flow with block arrows.
MAPS = {
    '0101': dict(boxes=[('010101', 0, 0), ('010102', 1, 0), ('010201', 2, 0), ('010303', 3, 0), ('010103', 0, 1), ('010301', 2, 1)],
                 arrows=[(0, 1), (1, 2), (2, 3), (0, 4), (2, 5)]),
    '0102': dict(boxes=[('010102', 0, 0), ('010201', 1, 0), ('030301', 2, 0), ('010202', 1, 1), ('010301', 2, 1)],
                 arrows=[(0, 1), (1, 2), (1, 3), (3, 4)]),
    '0103': dict(boxes=[('010301', 0, 0), ('010302', 1, 0), ('010303', 2, 0), ('010103', 0, 1)],
                 arrows=[(0, 1), (1, 2), (3, 0)]),
    '0201': dict(boxes=[('020101', 0, 0), ('020102', 1, 0), ('020201', 2, 0), ('050101', 3, 0), ('020103', 0, 1), ('020301', 2, 1)],
                 arrows=[(0, 1), (1, 2), (2, 3), (0, 4), (2, 5)], shadow=True),
    '0202': dict(boxes=[('020102', 0, 0), ('020201', 1, 0), ('050101', 2, 0), ('020202', 1, 1), ('030301', 2, 1)],
                 arrows=[(0, 1), (1, 2), (1, 3), (3, 4)]),
    '0203': dict(boxes=[('020301', 0, 0), ('020302', 1, 0), ('050201', 1, 1)], arrows=[(0, 1), (1, 2)]),
    '0301': dict(boxes=[('030101', 0, 0), ('030102', 0, 1), ('030103', 0, 2), ('030301', 1, 1), ('030302', 2, 1)],
                 arrows=[(0, 3, 'hv'), (1, 3), (2, 3, 'hv'), (3, 4)]),
    '0302': dict(boxes=[('030201', 0, 0), ('030202', 1, 0), ('030101', 2, 0), ('030102', 2, 1)],
                 arrows=[(0, 1), (1, 2), (1, 3, 'vh')]),
    '0303': dict(boxes=[('030301', 0, 0), ('030302', 1, 0)], arrows=[(0, 1)]),
    '0401': dict(boxes=[('040101', 0, 0), ('040102', 1, 0), ('040103', 2, 0), ('040201', 3, 0), ('040202', 3, 1)],
                 arrows=[(0, 1), (1, 2), (2, 3), (3, 4)], block=True),
    '0402': dict(boxes=[('040101', 0, 0), ('040201', 1, 0), ('040202', 2, 0)], arrows=[(0, 1), (1, 2)], block=True),
    '0501': dict(boxes=[('020201', 0, 0), ('050101', 1, 0), ('050102', 2, 0), ('050201', 2, 1)], arrows=[(0, 1), (1, 2), (2, 3)]),
    '0502': dict(boxes=[('050101', 0, 0), ('050102', 1, 0), ('050201', 2, 0)], arrows=[(0, 1), (1, 2)]),
    '0601': dict(boxes=[('060101', 0, 0), ('060102', 1, 0), ('060103', 2, 0)], arrows=[(0, 1), (1, 2)]),
    '0602': dict(boxes=[('060201', 0, 0), ('060202', 1, 0)], arrows=[]),
}

# Captions kept as encoded words, as the map editor writes them for some boxes.
ENCODED = {'010102', '010303', '020201', '030103', '040103', '050102', '060102'}

def encoded_word(text):
    return '=?gb2312?B?' + base64.b64encode(text.encode('gbk')).decode('ascii') + '?='

def wrapped(data):
    b = base64.b64encode(data).decode('ascii')
    return '\n'.join(b[i:i + 72] for i in range(0, len(b), 72))

def cell(col, row):
    return X0 + col * COL, Y0 + row * ROW

def arrow_xml(a, b, boxes, kind, block, shadow):
    (ca, ra), (cb, rb) = boxes[a][1:3], boxes[b][1:3]
    ax, ay = cell(ca, ra)
    bx, by = cell(cb, rb)
    out = []

    def one(left, top, width, height, direction):
        out.append('<arrow left="%d" top="%d" width="%d" height="%d" forecolor="%d" arrowdirection="%d" appearance="%d" '
                   'backcolor="%d" constantalpha="255" borderstyle="1" shadowlength="%d" shadowstep="%d"/>'
                   % (left, top, width, height, LINE, direction, 1 if block else 0, BLOCK_FILL,
                      2 if shadow else 0, 2 if shadow else 1))

    t = 8 if block else 5          # breadth of an arrow's rectangle
    h = t // 2
    if kind == 'hv':               # across from the source's side, then into the target's top or bottom
        x0, y = ax + BOX_W + 2, ay + BOX_H // 2 - h
        xm = bx + BOX_W // 2 - h
        one(x0, y, xm - x0 + t // 2 + 1, t, 6)
        if rb > ra:
            one(xm, y + h, t, by - (y + h) - 2, 2)
        else:
            one(xm, by + BOX_H + 2, t, y + h - (by + BOX_H + 2), 3)
        return out
    if kind == 'vh':               # down (or up) from the source, then into the target's side
        x = ax + BOX_W // 2 - h
        ym = by + BOX_H // 2 - h
        if rb > ra:
            one(x, ay + BOX_H + 2, t, ym - (ay + BOX_H + 2) + t // 2 + 1, 7)
        else:
            one(x, ym + h, t, ay - 2 - (ym + h), 7)
        one(x + h, ym, bx - (x + h) - 2, t, 0 if cb > ca else 1)
        return out
    if ra == rb:
        if cb > ca:
            one(ax + BOX_W + 2, ay + BOX_H // 2 - h, bx - (ax + BOX_W) - 4, t, 0)
        else:
            one(bx + BOX_W + 2, ay + BOX_H // 2 - h, ax - (bx + BOX_W) - 4, t, 1)
    elif ca == cb:
        if rb > ra:
            one(ax + BOX_W // 2 - h, ay + BOX_H + 2, t, by - (ay + BOX_H) - 4, 2)
        else:
            one(ax + BOX_W // 2 - h, by + BOX_H + 2, t, ay - (by + BOX_H) - 4, 3)
    else:
        raise SystemExit('arrows between boxes of other rows and columns need "hv" or "vh"')
    return out

def map_xml(code):
    m = MAPS[code]
    boxes = m['boxes']
    arrows = []
    for a in m['arrows']:
        arrows += arrow_xml(a[0], a[1], boxes, a[2] if len(a) > 2 else '', m.get('block', False), m.get('shadow', False))
    pilots = []
    for fcode, col, row in boxes:
        caption, glyph, color = FUNCTIONS[fcode]
        x, y = cell(col, row)
        shown = encoded_word(caption) if fcode in ENCODED else caption
        name = 'p%s.png' % fcode
        # Some icon names keep the Windows path the map editor saw; only the file name counts.
        stored_name = ('C:\\zenlo\\images\\' + name) if fcode.endswith('01') else name
        pilots.append('<pilot caption="%s" left="%d" top="%d" width="%d" height="%d" iconsize="32" righttoleft="False" '
                      'textalign="2"><menu code="%s"/><icon filename="%s">%s</icon></pilot>'
                      % (shown, x, y, BOX_W, BOX_H, fcode, stored_name, wrapped(icon(glyph, color, 64))))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<print>\n<page>\n<blocks>\n<arrows>\n' + '\n'.join(arrows)
            + '\n</arrows>\n<pilots>\n' + '\n'.join(pilots) + '\n</pilots>\n</blocks>\n</page>\n</print>\n')

if __name__ == '__main__':
    for code in MAPS:
        with open('%s.xml' % code, 'w', encoding='utf-8', newline='\n') as f:
            f.write(map_xml(code))
