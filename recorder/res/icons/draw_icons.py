#!/usr/bin/env python3
"""Draws the recorder's pictures as XPM files (run by hand after a change).

Every picture is drawn from shapes in unit coordinates (0..1), sampled at
the pixel centres, so one drawing gives the 16 and the 24 pixel strips.
Magenta (#FF00FF) is the transparent colour the program masks out."""
import math, os

PALETTE = {
    ' ': '#FF00FF',  # mask
    'k': '#202020', 'g': '#707070', 'l': '#B8B8B8', 'w': '#FFFFFF',
    'r': '#D02020', 'R': '#FF7070', 'b': '#2060C0', 'B': '#80B0F0',
    'G': '#209040', 'y': '#E0B020', 'o': '#E07010',
}

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def ring(cx, cy, r0, r1, a0=-180, a1=180):
    def f(x, y):
        d = math.hypot(x - cx, y - cy)
        a = math.degrees(math.atan2(y - cy, x - cx))
        return r0 <= d <= r1 and a0 <= a <= a1
    return f

def poly(*pts):
    def f(x, y):
        inside = False
        for i in range(len(pts)):
            (x0, y0), (x1, y1) = pts[i], pts[i - 1]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                inside = not inside
        return inside
    return f

# Each picture: shapes painted in order as (colour, shape).
SPEAKER = [('g', rect(.10, .36, .30, .64)), ('k', poly((.28, .36), (.55, .12), (.55, .88), (.28, .64))),
           ('b', ring(.55, .5, .18, .26, -50, 50)), ('b', ring(.55, .5, .33, .41, -50, 50))]
MIC = [('g', ring(.5, .42, .22, .29, 0, 180)), ('g', rect(.46, .70, .54, .84)), ('g', rect(.30, .84, .70, .92)),
       ('k', circle(.5, .22, .14)), ('k', rect(.36, .22, .64, .46)), ('k', circle(.5, .46, .14)),
       ('l', rect(.44, .16, .48, .42))]
USER = [('g', rect(.20, .10, .26, .90)), ('g', rect(.47, .10, .53, .90)), ('g', rect(.74, .10, .80, .90)),
        ('o', rect(.12, .56, .34, .70)), ('o', rect(.39, .24, .61, .38)), ('o', rect(.66, .64, .88, .78))]
EXTRACT = [('k', rect(.08, .14, .62, .86)), ('w', rect(.14, .20, .20, .28)), ('w', rect(.14, .44, .20, .52)),
           ('w', rect(.14, .70, .20, .78)), ('w', rect(.50, .20, .56, .28)), ('w', rect(.50, .44, .56, .52)),
           ('w', rect(.50, .70, .56, .78)), ('B', rect(.25, .22, .45, .76)),
           ('G', poly((.60, .40), (.78, .40), (.78, .26), (.96, .50), (.78, .74), (.78, .60), (.60, .60)))]
RECORD = [('r', circle(.5, .5, .36)), ('R', circle(.40, .40, .10))]
PAUSE = [('b', rect(.24, .18, .42, .82)), ('b', rect(.58, .18, .76, .82))]
STOP = [('k', rect(.20, .20, .80, .80))]
PLAY = [('G', poly((.24, .14), (.84, .50), (.24, .86)))]
VIDEO = [('k', rect(.06, .28, .66, .76)), ('k', poly((.62, .52), (.94, .30), (.94, .74))), ('r', circle(.20, .40, .06))]
MANUAL = [('b', rect(.16, .10, .84, .90)), ('w', rect(.24, .16, .78, .84)), ('g', rect(.32, .28, .70, .32)),
          ('g', rect(.32, .42, .70, .46)), ('g', rect(.32, .56, .70, .60)), ('g', rect(.32, .70, .58, .74))]
EXIT = [('y', rect(.14, .08, .56, .92)), ('k', rect(.44, .46, .50, .56)),
        ('r', poly((.50, .42), (.72, .42), (.72, .28), (.94, .50), (.72, .72), (.72, .58), (.50, .58)))]
APP = [('B', circle(.5, .5, .48)), ('b', ring(.5, .5, .42, .48)),
       ('w', ring(.5, .46, .16, .21, 0, 180)), ('w', rect(.47, .67, .53, .78)), ('w', rect(.36, .78, .64, .83)),
       ('k', circle(.5, .26, .11)), ('k', rect(.39, .26, .61, .46)), ('k', circle(.5, .46, .11)),
       ('r', circle(.76, .24, .09))]

def render(shapes, size):
    rows = []
    for py in range(size):
        row = ''
        for px in range(size):
            x, y = (px + .5) / size, (py + .5) / size
            ch = ' '
            for colour, shape in shapes:
                if shape(x, y):
                    ch = colour
            row += ch
        rows.append(row)
    return rows

def strip(pictures, size):
    parts = [render(p, size) for p in pictures]
    return [''.join(p[r] for p in parts) for r in range(size)]

def write(name, rows):
    used = sorted({c for r in rows for c in r} | {' '})
    with open(os.path.join(os.path.dirname(__file__), name), 'w') as f:
        f.write('/* XPM */\nstatic const char* const %s[] = {\n' % name.replace('.', '_').replace('-', '_'))
        f.write('"%d %d %d 1",\n' % (len(rows[0]), len(rows), len(used)))
        for c in used:
            f.write('"%s c %s",\n' % (c, PALETTE[c]))
        f.write(',\n'.join('"%s"' % r for r in rows) + '\n};\n')

MODES = [SPEAKER, MIC, USER, EXTRACT]
write('app.xpm', render(APP, 32))
write('modes16.xpm', strip(MODES, 16))
write('modes24.xpm', strip(MODES, 24))
write('toolbar.xpm', strip([RECORD, PAUSE, STOP, PLAY, VIDEO, MANUAL, EXIT], 16))
write('record.xpm', render(RECORD, 16))
write('pause.xpm', render(PAUSE, 16))
write('stop.xpm', render(STOP, 16))
