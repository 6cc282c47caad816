#!/usr/bin/env python3
"""Draws the playback marker frames and writes them as XPM text images.

Each frame is 31 x 31 pixels in at most 16 colours, on a white background
(white is transparent when the marker is drawn), facing up the screen.

    tools/marker_frames.py resources/marker

rewrites resources/marker/*.xpm.
"""
import math
import os
import sys

N = 31
PALETTE = {
    '.': '#FFFFFF',  # background, transparent
    'k': '#000000',
    'r': '#FF0000',
    'm': '#800000',
    'y': '#FFFF00',
    'b': '#0000FF',
    'n': '#000080',
    'c': '#00FFFF',
    'g': '#808080',
    'o': '#FF8000',
}


class Frame:
    def __init__(self):
        self.px = [['.'] * N for _ in range(N)]

    def set(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < N and 0 <= y < N:
            self.px[y][x] = c

    def ellipse(self, cx, cy, rx, ry, c, angle=0.0):
        ca, sa = math.cos(angle), math.sin(angle)
        for y in range(N):
            for x in range(N):
                dx, dy = x - cx, y - cy
                u = dx * ca + dy * sa
                v = -dx * sa + dy * ca
                if (u / rx) ** 2 + (v / ry) ** 2 <= 1.0:
                    self.px[y][x] = c

    def polygon(self, pts, c):
        for y in range(N):
            for x in range(N):
                if inside(pts, x + 0.0, y + 0.0):
                    self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        r = (width - 1) / 2.0
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for oy in range(-int(math.ceil(r)), int(math.ceil(r)) + 1):
                for ox in range(-int(math.ceil(r)), int(math.ceil(r)) + 1):
                    if ox * ox + oy * oy <= r * r + 0.25:
                        self.set(x + ox, y + oy, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row}, key=lambda c: list(PALETTE).index(c))
        assert len(used) <= 16
        lines = ['/* XPM */', 'static const char *%s[] = {' % name,
                 '"%d %d %d 1",' % (N, N, len(used))]
        lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
        rows = ['"%s"' % ''.join(r) for r in self.px]
        lines += [r + ',' for r in rows[:-1]] + [rows[-1], '};', '']
        return '\n'.join(lines)


def inside(pts, x, y):
    result = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def hang_glider():
    f = Frame()
    # Delta wing: nose up, trailing edge with a notch at the keel.
    f.polygon([(15, 3), (29, 21), (22, 19), (15, 21), (8, 19), (1, 21)], 'r')
    f.line(15, 3, 15, 21, 'm')        # keel
    f.line(4, 18, 26, 18, 'm')        # cross bar
    # The pilot, small and blue, at the left tip.
    f.ellipse(4, 22, 1.6, 1.6, 'b')
    f.line(4, 23, 4, 27, 'n', 2)
    return f


def kayak(paddle):
    f = Frame()
    f.ellipse(15, 15, 4.6, 14.6, 'r')
    f.ellipse(15, 15, 3.4, 13.4, 'y')
    f.ellipse(15, 16, 2.6, 3.0, 'g')   # cockpit
    # The double paddle through the paddler's hands.
    slope = {0: 0.45, 1: 0.0, 2: -0.45}[paddle]  # up to the right, level, down
    x0, x1 = 3, 27
    y0, y1 = 15 - slope * (x0 - 15), 15 - slope * (x1 - 15)
    f.line(x0, y0, x1, y1, 'k')
    for (bx, by) in ((x0, y0), (x1, y1)):
        f.ellipse(bx, by, 2.2, 1.2, 'k', math.atan(-slope))
    f.ellipse(15, 15, 2.0, 2.0, 'b')   # the paddler
    return f


def car():
    f = Frame()
    f.rect(9, 3, 21, 27, 'n')
    f.rect(10, 2, 20, 28, 'n')
    f.rect(10, 4, 20, 26, 'b')
    f.rect(11, 9, 19, 12, 'c')         # windscreen
    f.rect(11, 22, 19, 23, 'c')        # rear window
    f.rect(9, 2, 10, 3, 'y')           # lamps at the front corners
    f.rect(20, 2, 21, 3, 'y')
    for y in (6, 20):                   # wheels showing at the sides
        f.rect(8, y, 8, y + 3, 'k')
        f.rect(22, y, 22, y + 3, 'k')
    return f


def bicycle():
    f = Frame()
    f.ellipse(15, 7, 1.4, 5.5, 'k')    # front wheel (up)
    f.ellipse(15, 24, 1.4, 5.5, 'k')   # rear wheel
    f.line(15, 12, 15, 19, 'm', 2)     # frame between the wheels
    f.line(14, 3, 14, 11, 'm')         # front fork
    f.line(10, 10, 20, 10, 'm', 2)     # handlebar
    f.rect(14, 18, 16, 20, 'k')        # saddle
    f.line(12, 15, 18, 15, 'g')        # pedals
    return f


def footprint(f, cx, cy, mirror):
    s = -1 if mirror else 1
    f.ellipse(cx, cy - 2, 3.2, 4.6, 'k')
    f.ellipse(cx + s * 0.3, cy + 5, 2.4, 2.4, 'k')
    f.ellipse(cx, cy - 2, 2.2, 3.6, 'y')
    f.ellipse(cx + s * 0.3, cy + 5, 1.4, 1.4, 'y')


def feet(left_leading):
    f = Frame()
    ly, ry = (9, 20) if left_leading else (20, 9)
    footprint(f, 10, ly, False)
    footprint(f, 20, ry, True)
    return f


FRAMES = {
    'HANGGLIDER0': hang_glider(),
    'KAYAK0': kayak(0),
    'KAYAK1': kayak(1),
    'KAYAK2': kayak(2),
    'CAR0': car(),
    'BICYCLE0': bicycle(),
    'FOOT0': feet(True),
    'FOOT1': feet(False),
}

if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'resources/marker'
    os.makedirs(out, exist_ok=True)
    for name, frame in FRAMES.items():
        with open(os.path.join(out, name + '.xpm'), 'w') as fh:
            fh.write(frame.xpm(name))
