"""Reads the picture or the dump that plot_writers_test.cpp keeps in plot_expected/ as a person would.

plot_check.py svg|vcd FOLDER: the lanes, chatter marks, drop-outs, header and ticks of trace.svg,
or every wire's edges of trace.vcd as sigrok-cli reads them, against the hand-made trace's steps."""
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET
from fractions import Fraction

# plot_writers_test.cpp's trace: (at_us, inputs pressed as a game saw them, link up).
STEPS = [(0, "", 1), (20000, "panel_0", 1), (80000, "", 1),
         (100000, "panel_5", 1), (103000, "", 1), (104200, "panel_5", 1), (104900, "", 1), (105300, "panel_5", 1),
         (120000, "panel_5 sys_2", 1), (121000, "panel_5", 1), (121500, "panel_5 sys_2", 1), (160000, "sys_2", 1),
         (170000, "", 1), (190000, "sys_1", 1), (200000, "sys_1", 0), (250000, "", 0), (270000, "sys_1", 1),
         (280000, "", 1), (290000, "panel_12", 1), (290150, "", 1)]
FROM, TO, THRESHOLD_US, SCANS, FAILED = 0, 300000, 30000, 300, 70
VERSION = 'paneltest 1.0.0 (abc1234) <$edited & "kept">'
INPUTS = [f"panel_{n}" for n in range(16)] + [f"sys_{n}" for n in range(3)]
NS = "{http://www.w3.org/2000/svg}"


def label(name):
    return name.replace("_", " ")


def wire(name, step):
    return step[2] if name == "link" else int(name in step[1].split())


def presses_and_chatter():
    """Edges of good scans alone; a press within the threshold of the input's release chatters."""
    presses, chatter, level, released = {}, [], {}, {}
    for at, _, up in (s for s in STEPS if s[2]):
        for name in INPUTS:
            now = wire(name, (at, _, up))
            if now and not level.get(name):
                presses[name] = presses.get(name, 0) + 1
                if name in released and at - released[name] < THRESHOLD_US:
                    chatter.append((at, name, at - released[name]))
            elif not now and level.get(name):
                released[name] = at
            level[name] = now
    return presses, chatter


def dropouts():
    down = [i for i, s in enumerate(STEPS) if not s[2] and (i == 0 or STEPS[i - 1][2])]
    return [(STEPS[i][0], next(s[0] for s in STEPS[i:] if s[2])) for i in down]


def check_svg(path):
    svg = ET.parse(path).getroot()
    assert not [e for e in svg.iter() if e.tag[len(NS):] in ("script", "image", "style")
                or any("href" in k for k in e.attrib)], "not self-contained"
    group = {g.get("id"): g for g in svg.iter(NS + "g")}
    axis = group["axis"].find(NS + "line")
    left, right = int(axis.get("x1")), int(axis.get("x2"))

    def x_of(at_us):
        return left + Fraction(at_us - FROM) * (right - left) / (TO - FROM)

    def near(x, at_us):
        return abs(int(x) - x_of(at_us)) <= 1

    presses, chatter = presses_and_chatter()
    lane = {}
    for name in INPUTS:
        g, runs = group[name], []
        lane[name] = base = int(g.find(NS + "line").get("y1"))
        texts = [t.text for t in g.iter(NS + "text")]
        assert texts[0] == label(name), texts
        ends = [s[0] for s in STEPS[1:]] + [TO]
        runs = [(s[0], end) for s, end in zip(STEPS, ends) if wire(name, s) and end > s[0]]
        grey = re.fullmatch(r"#(..)\1\1", g.get("fill")) is not None
        assert (texts[1:] == ["never pressed"]) == grey == (not runs), name
        drawn = set()
        for r in g.iter(NS + "rect"):
            assert int(r.get("y")) < base == int(r.get("y")) + int(r.get("height")), name
            drawn |= set(range(int(r.get("x")), int(r.get("x")) + int(r.get("width"))))
        pressed = set()
        for a, b in runs:  # a column where any of its time was pressed
            pressed |= set(range(int(x_of(a)), int(x_of(b - 1)) + 1))
        assert drawn == pressed, (name, sorted(drawn ^ pressed))

    marks = [(int(c.get("cx")), int(c.get("cy")), int(c.get("r")), c.find(NS + "title").text)
             for c in group["chatter"]]
    assert len(marks) == len(chatter) != 0, marks
    for (cx, cy, r, title), (at, name, gap) in zip(marks, chatter):
        tenths = (gap + 50) // 100
        assert title == f"{label(name)}: chatter, gap {tenths // 10}.{tenths % 10} ms, " \
                        f"at {at // 1000000}.{at // 1000 % 1000:03d} s", title
        assert near(cx, at) and lane[name] - 24 < cy <= lane[name] and r >= 3, (title, cx, cy)

    shades = list(group["dropouts"])
    assert len(shades) == len(dropouts()) != 0
    for shade, (a, b) in zip(shades, dropouts()):
        x, y, w, h = (int(shade.get(k)) for k in ("x", "y", "width", "height"))
        assert near(x, a) and near(x + w, b), (x, w, a, b)
        top = int(group["panel_0"].find(NS + "rect").get("y"))  # the top lane's raised level
        assert y <= top and y + h >= lane["sys_2"], (y, h)
        assert shade.find(NS + "title").text.startswith(f"link drop-out, {(b - a) // 1000}.0 ms")

    header = [t.text for t in group["header"]]
    assert header[0] == VERSION and header[3].startswith("timed"), header
    assert header[2] == f"scans: {SCANS}, failed scans: {FAILED}, link drop-outs: {len(shades)}"
    counts = [f"{label(n)}: {presses[n]} presses, {sum(c[1] == n for c in chatter)} chatter,"
              for n in INPUTS if n in presses]
    assert [h[:len(c)] for h, c in zip(header[4:], counts)] == counts, header

    units = {"ms": 1000, "s": 1000000, "min": 60000000}
    ticks = [(Fraction(v) * units[u], int(t.get("x")))
             for t in group["axis"].iter(NS + "text") for v, u in [t.text.split()]]
    step = ticks[1][0] - ticks[0][0]
    assert re.fullmatch(r"[125]0*", str(step)) and ticks[0][0] - step < FROM <= ticks[0][0], ticks
    assert all(b[0] - a[0] == step for a, b in zip(ticks, ticks[1:])) and ticks[-1][0] + step > TO
    assert all(near(x, at) for at, x in ticks), ticks


def check_vcd(path):
    raw = open(path, encoding="ascii").read()
    assert "$date" not in raw and "$version paneltest 1.0.0 (abc1234) <?edited" in raw, raw[:200]
    if shutil.which("sigrok-cli") is None:
        sys.exit("[  SKIPPED ] sigrok-cli is not installed (tools/install-deps test installs it)")
    dump = subprocess.run(["sigrok-cli", "-I", "vcd:skip=0", "-i", path, "-O", "vcd"],
                          check=True, capture_output=True, text=True).stdout
    names = dict(re.findall(r"\$var wire 1 (\S+) (\S+) \$end", dump))
    assert sorted(names.values()) == sorted(INPUTS + ["link"]), names
    edges, end = {n: [] for n in names.values()}, None
    for line in dump.splitlines():
        if line.startswith("#"):
            at, *changes = line[1:].split()
            end = int(at)
            for change in changes:
                edges[names[change[1:]]].append((end, int(change[0])))
    for name, seen in edges.items():
        want = [(s[0], wire(name, s)) for s in STEPS]
        keep = lambda es: [e for i, e in enumerate(es) if i == 0 or e[1] != es[i - 1][1]]
        assert keep(seen) == keep(want), (name, seen, want)
    assert end == TO, end


(check_svg if sys.argv[1] == "svg" else check_vcd)(f"{sys.argv[2]}/trace.{sys.argv[1]}")
print(f"trace.{sys.argv[1]}: as the trace has it")
