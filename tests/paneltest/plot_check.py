"""plot_check.py svg|vcd FOLDER: reads FOLDER/trace.svg or trace.vcd as a person would, the dump
through sigrok-cli, against the steps of session.frames beside them, from which plot_writers_test.cpp wrote them."""
import re, shutil, subprocess, sys, xml.etree.ElementTree as ET
from fractions import Fraction

# (at_us, the inputs a game saw pressed, link up).
STEPS = [(0, "", 1), (20000, "panel_0", 1), (80000, "", 1), (100000, "panel_5", 1), (103000, "", 1),
         (104200, "panel_5", 1), (104900, "", 1), (105300, "panel_5", 1), (120000, "panel_5 sys_2", 1),
         (121000, "panel_5", 1), (121500, "panel_5 sys_2", 1), (160000, "sys_2", 1), (170000, "", 1),
         (190000, "sys_1", 1), (200000, "sys_1", 0), (250000, "", 0), (270000, "sys_1", 1),
         (280000, "", 1), (290000, "panel_12", 1), (290150, "", 1)]
FROM, TO, THRESHOLD_US, SCANS, FAILED = 0, 300000, 30000, 302, 70
INPUTS = [f"panel_{n}" for n in range(16)] + [f"sys_{n}" for n in range(3)]
NS = "{http://www.w3.org/2000/svg}"
level = lambda name, step: step[2] if name == "link" else int(name in step[1].split())
ints = lambda e, *keys: [int(e.get(k)) for k in keys]


def chatter_of(name):
    """Its presses and chatter (at, gap): edges of good scans, a press within the threshold of a release."""
    presses, chatter, was, released = 0, [], 0, None
    for at, now in ((s[0], level(name, s)) for s in STEPS if s[2]):
        presses += now > was
        chatter += [(at, at - released)] if now > was and released is not None and at - released < THRESHOLD_US else []
        released, was = at if now < was else released, now
    return presses, chatter


def check_svg(path):
    svg = ET.parse(path).getroot()
    assert not [e for e in svg.iter() if e.tag[len(NS):] in ("script", "image", "style")
                or [k for k in e.attrib if "href" in k]], "not self-contained"
    group = {g.get("id"): g for g in svg.iter(NS + "g")}
    left, right = ints(group["axis"].find(NS + "line"), "x1", "x2")
    x_of = lambda at: left + Fraction(at - FROM) * (right - left) / (TO - FROM)
    near = lambda x, at: abs(int(x) - x_of(at)) <= 1
    marks = {(c.find(NS + "title").text, *ints(c, "cx", "cy", "r")) for c in group["chatter"]}
    header, lines, chatters = [t.text for t in group["header"]], [], 0
    for name in INPUTS:
        lane, label = group[name], name.replace("_", " ")
        base, texts, drawn, pressed = int(lane.find(NS + "line").get("y1")), [t.text for t in lane.iter(NS + "text")], set(), set()
        for step, end in zip(STEPS, [s[0] for s in STEPS[1:]] + [TO]):
            if level(name, step) and end > step[0]:  # a column where any of its time was pressed
                pressed |= set(range(int(x_of(step[0])), int(x_of(end - 1)) + 1))
        for x, y, w, h in (ints(r, "x", "y", "width", "height") for r in lane.iter(NS + "rect")):
            assert y < base == y + h, name
            drawn |= set(range(x, x + w))
        grey = re.fullmatch(r"#(..)\1\1", lane.get("fill")) is not None
        assert texts[0] == label and (texts[1:] == ["never pressed"]) == grey == (not pressed), name
        assert drawn == pressed, (name, sorted(drawn ^ pressed))
        presses, chatter = chatter_of(name)
        lines += [f"{label}: {presses} presses, {len(chatter)} chatter,"] if presses else []
        for at, gap in chatter:
            title = f"{label}: chatter, gap {(gap + 50) // 1000}.{(gap + 50) // 100 % 10} ms, at {at // 1000000}.{at // 1000 % 1000:03d} s"
            assert [m for m in marks if m[0] == title and near(m[1], at) and m[3] >= 3 and base - 24 < m[2] <= base], (title, marks)
            chatters += 1
    assert len(marks) == chatters != 0, marks
    assert [h[:len(c)] for h, c in zip(header[4:], lines)] == lines and len(header) == 4 + len(lines)

    down = [(s[0], next(u[0] for u in STEPS[i:] if u[2])) for i, s in enumerate(STEPS) if not s[2] and STEPS[i - 1][2]]
    assert len(group["dropouts"]) == len(down) != 0
    # The top lane's raised level, the bottom lane's base.
    top, bottom = int(group["panel_0"].find(NS + "rect").get("y")), int(group["sys_2"].find(NS + "line").get("y1"))
    for shade, (a, b) in zip(group["dropouts"], down):
        x, y, w, h = ints(shade, "x", "y", "width", "height")
        assert near(x, a) and near(x + w, b) and y <= top and y + h >= bottom, (x, y, w, h, a, b)
        assert shade.find(NS + "title").text.startswith(f"link drop-out, {(b - a) // 1000}.0 ms")
    assert header[0] == 'paneltest 1.0.0 (abc1234) <$edited & "kept">' and header[3][:5] == "timed"
    assert header[2] == f"scans: {SCANS}, failed scans: {FAILED}, link drop-outs: {len(down)}"

    units = {"ms": 1000, "s": 1000000, "min": 60000000}
    ticks = [(Fraction(v) * units[u], int(t.get("x"))) for t in group["axis"].iter(NS + "text") for v, u in [t.text.split()]]
    step = ticks[1][0] - ticks[0][0]
    assert re.fullmatch(r"[125]0*", str(step)) and ticks[0][0] - step < FROM <= ticks[0][0]
    assert [b[0] - a[0] for a, b in zip(ticks, ticks[1:])] == [step] * (len(ticks) - 1)
    assert ticks[-1][0] + step > TO and all(near(x, at) for at, x in ticks), ticks


def check_vcd(path):
    raw = open(path, encoding="ascii").read()
    assert "$date" not in raw and "$version paneltest 1.0.0 (abc1234) <?edited" in raw, raw[:80]
    if shutil.which("sigrok-cli") is None:
        sys.exit("[  SKIPPED ] sigrok-cli is not installed (tools/install-deps test installs it)")
    dump = subprocess.run(["sigrok-cli", "-I", "vcd:skip=0", "-i", path, "-O", "vcd"], check=True, capture_output=True, text=True).stdout
    names = dict(re.findall(r"\$var wire 1 (\S+) (\S+) \$end", dump))
    assert sorted(names.values()) == sorted(INPUTS + ["link"]), names
    edges, end = {n: [] for n in names.values()}, None
    for at, *changes in (line[1:].split() for line in dump.splitlines() if line[:1] == "#"):
        end = int(at)
        for change in changes:
            edges[names[change[1:]]].append((end, int(change[0])))
    changes = lambda es: [e for i, e in enumerate(es) if i == 0 or e[1] != es[i - 1][1]]
    for name, seen in edges.items():
        assert changes(seen) == changes([(s[0], level(name, s)) for s in STEPS]), (name, seen)
    assert end == TO, end


(check_svg if sys.argv[1] == "svg" else check_vcd)(f"{sys.argv[2]}/trace.{sys.argv[1]}")
print(f"trace.{sys.argv[1]}: as the trace has it")
