"""Reads the parts of LEF and DEF text that the tools in this directory need.

    import lefdef_text
    lef = lefdef_text.read_lef(["tech.lef", "cells.lef"])
    design = lefdef_text.read_def("tier0.def")

Plain records come back (Macro, Site, Component, Pin, Net, Row, Region, Group,
Blockage); coordinates stay in DEF database units, LEF sizes in microns. Anything
the tools do not use (SPECIALNETS, VIAS, routing, properties ...) is
skipped by its statement structure, never interpreted. Component names are kept
without their escape backslashes (`a\\[0\\]` is `a[0]`), so names written with
or without escapes meet. A malformed file raises LefDefError.

The text is split into words once per file with str.split: a DEF of 70 MB
takes seconds, not minutes.
"""
import gc

__all__ = ["LefDefError", "read_lef", "read_def", "tokenize", "ORIENTS", "allowed_orients",
           "placed_size", "placed_box", "transform_box", "row_orients", "box_area", "overlap_area"]


class LefDefError(Exception):
    pass


# --- words ------------------------------------------------------------------

# Strings and comments are the only places where ( ) ; and blanks do not split
# words; a '#' starts a comment only at the start of a word.
_ESCAPES = (("\\(", "\x01"), ("\\)", "\x02"), ("\\;", "\x03"))


def _plain_words(text):
    escaped = "\\" in text and any(e in text for e, _ in _ESCAPES)
    if escaped:  # an escaped ( ) ; belongs to its name
        for e, mark in _ESCAPES:
            text = text.replace(e, mark)
    words = text.replace("(", " ( ").replace(")", " ) ").replace(";", " ; ").split()
    if escaped:
        restore = str.maketrans({mark: e for e, mark in _ESCAPES})
        words = [w.translate(restore) for w in words]
    return words


def tokenize(text):
    """The words of LEF or DEF text; a quoted string is one word, quotes kept."""
    words, pos, n = [], 0, len(text)
    quote, hash_ = text.find('"'), text.find("#")
    while quote >= 0 or hash_ >= 0:  # str.find: a regex over 70 MB is slow
        if hash_ < 0 or 0 <= quote < hash_:
            end = text.find('"', quote + 1)
            end = n if end < 0 else end + 1
            words.extend(_plain_words(text[pos:quote]))
            words.append(text[quote:end])
        elif hash_ > 0 and not text[hash_ - 1].isspace():  # inside a word
            hash_ = text.find("#", hash_ + 1)
            continue
        else:
            end = text.find("\n", hash_)
            end = n if end < 0 else end
            words.extend(_plain_words(text[pos:hash_]))
        pos = end
        if quote < pos:
            quote = text.find('"', pos)
        if hash_ < pos:
            hash_ = text.find("#", pos)
    words.extend(_plain_words(text[pos:]))
    return words


def _read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError as e:
        raise LefDefError("cannot read %s: %s" % (path, e.strerror or e)) from None


def _unescape(name):
    return name.replace("\\", "") if "\\" in name else name


def _number(word, path):
    try:
        return int(word)
    except ValueError:
        try:
            return float(word)
        except ValueError:
            raise LefDefError("%s: a number expected, found '%s'" % (path, word)) from None


class _Words:
    """A word list with the few moves the readers make, each bounded by its end."""

    def __init__(self, words, path):
        self.w, self.path, self.n = words, path, len(words)

    def end_of(self, i, what="';'"):
        """Index of the next ';' from i."""
        try:
            return self.w.index(";", i)
        except ValueError:
            raise LefDefError("%s: %s missing at the end" % (self.path, what)) from None

    def after_end(self, i, name):
        """Index after the next 'END name' from i (LEF blocks)."""
        w = self.w
        while True:
            try:
                i = w.index(name, i + 1)
            except ValueError:
                raise LefDefError("%s: END %s missing" % (self.path, name)) from None
            if w[i - 1].upper() == "END":
                return i + 1

    def num(self, i):
        if i >= self.n:
            raise LefDefError("%s: ends inside a statement" % self.path)
        return _number(self.w[i], self.path)

    def point(self, i):
        """(x, y) of '( x y )' at i."""
        w = self.w
        if i + 3 >= self.n or w[i] != "(" or w[i + 3] != ")":
            raise LefDefError("%s: a point '( x y )' expected near '%s'" % (
                self.path, " ".join(w[max(0, i - 3):i + 4])))
        try:
            return int(w[i + 1]), int(w[i + 2])
        except ValueError:
            return _number(w[i + 1], self.path), _number(w[i + 2], self.path)

    def points(self, i, j):
        """The points '( x y )' from i up to j."""
        out = []
        while i < j and self.w[i] == "(":
            out.append(self.point(i))
            i += 4
        return out, i


# --- LEF --------------------------------------------------------------------

class Macro:
    __slots__ = ("name", "classes", "width", "height", "symmetry", "site", "origin", "pins")

    def __init__(self, name):
        self.name, self.classes, self.width, self.height = name, [], 0.0, 0.0
        self.symmetry, self.site, self.origin = frozenset(), None, (0.0, 0.0)
        self.pins = {}  # name -> centre of its port rectangles, LEF coordinates

    def pin_at(self, name, orient):
        """Where pin `name` stands from the lower-left corner of the macro placed in `orient`."""
        x, y = self.pins[name]
        x, y = x + self.origin[0], y + self.origin[1]
        body = transform_box((0, 0, self.width, self.height), orient)
        at = transform_box((x, y, x, y), orient)
        return at[0] - body[0], at[1] - body[1]

    @property
    def cls(self):
        return self.classes[0] if self.classes else ""


class Site:
    __slots__ = ("name", "cls", "width", "height", "symmetry")

    def __init__(self, name):
        self.name, self.cls, self.width, self.height, self.symmetry = name, "", 0.0, 0.0, frozenset()


class Lef:
    def __init__(self):
        self.macros, self.sites, self.layers = {}, {}, {}
        self.routing_layers = []  # in the order the files give them
        self.dbu = None  # UNITS DATABASE MICRONS, when given


def _size(ws, i, j):
    """SIZE w BY h from the words i..j (i at SIZE)."""
    if j - i >= 4 and ws.w[i + 2].upper() == "BY":
        return float(ws.num(i + 1)), float(ws.num(i + 3))
    raise LefDefError("%s: SIZE w BY h expected" % ws.path)


def _read_macro(ws, i, lef):
    """Reads MACRO name ... END name from i (at MACRO); returns the index after it."""
    w = ws.w
    m = Macro(w[i + 1])
    i += 2
    while i < ws.n:
        key = w[i].upper()
        if key == "END":
            if i + 1 < ws.n and w[i + 1] == m.name:
                lef.macros[m.name] = m  # a later definition replaces an earlier one
                return i + 2
            i += 1
        elif key == "PIN":
            j = ws.after_end(i + 1, w[i + 1])
            xs, ys = [], []  # the corners of its port rectangles
            for k in (k for k in range(i, j) if w[k].upper() == "RECT"):
                k += 2 if w[k + 1].upper() == "MASK" else 0
                xs += [float(ws.num(k + 1)), float(ws.num(k + 3))]
                ys += [float(ws.num(k + 2)), float(ws.num(k + 4))]
            if xs:
                m.pins[w[i + 1]] = ((min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2)
            i = j
        elif key in ("OBS", "DENSITY"):  # statements up to a bare END
            i += 1
            while i < ws.n and w[i].upper() != "END":
                i = ws.end_of(i) + 1
            i += 1
        else:
            j = ws.end_of(i)
            if key == "CLASS":
                m.classes = [x.upper() for x in w[i + 1:j]]
            elif key == "SIZE":
                m.width, m.height = _size(ws, i, j)
            elif key == "SYMMETRY":
                m.symmetry = frozenset(x.upper() for x in w[i + 1:j])
            elif key == "SITE" and j > i + 1:
                m.site = w[i + 1]
            elif key == "ORIGIN":
                nums = [x for x in w[i + 1:j] if x not in "()"]
                m.origin = (float(nums[0]), float(nums[1]))
            i = j + 1
    raise LefDefError("%s: END %s missing" % (ws.path, m.name))


def _read_lef_block(ws, i, lef, key):
    """SITE or LAYER name ... END name; returns the index after it."""
    w = ws.w
    name = w[i + 1]
    site = Site(name) if key == "SITE" else None
    kind = None
    i += 2
    while i < ws.n:
        word = w[i].upper()
        if word == "END" and i + 1 < ws.n and w[i + 1] == name:
            break
        j = ws.end_of(i)
        if site and word == "CLASS" and j > i + 1:
            site.cls = w[i + 1].upper()
        elif site and word == "SIZE":
            site.width, site.height = _size(ws, i, j)
        elif site and word == "SYMMETRY":
            site.symmetry = frozenset(x.upper() for x in w[i + 1:j])
        elif not site and word == "TYPE" and j > i + 1 and kind is None:
            kind = w[i + 1].upper()
        i = j + 1
    else:
        raise LefDefError("%s: END %s missing" % (ws.path, name))
    if site:
        lef.sites[name] = site
    else:
        if kind == "ROUTING" and name not in lef.layers:
            lef.routing_layers.append(name)
        lef.layers[name] = kind or ""
    return i + 2


def read_lef(paths, lef=None):
    """Macros, sites, layers and units of the LEF files, read in order."""
    lef = lef or Lef()
    for path in paths:
        ws = _Words(tokenize(_read_text(path)), path)
        w, i = ws.w, 0
        while i < ws.n:
            key = w[i].upper()
            if key == "MACRO" and i + 1 < ws.n:
                i = _read_macro(ws, i, lef)
            elif key in ("SITE", "LAYER") and i + 1 < ws.n:
                i = _read_lef_block(ws, i, lef, key)
            elif key in ("VIA", "VIARULE", "NONDEFAULTRULE", "ARRAY") and i + 1 < ws.n:
                i = ws.after_end(i + 1, w[i + 1])
            elif key in ("UNITS", "PROPERTYDEFINITIONS", "SPACING"):
                i += 1
                while i < ws.n and w[i].upper() != "END":
                    j = ws.end_of(i)
                    if key == "UNITS" and w[i].upper() == "DATABASE" and j == i + 3:
                        lef.dbu = ws.num(i + 2)
                    i = j + 1
                i += 2
            elif key == "BEGINEXT":
                while i < ws.n and w[i].upper() != "ENDEXT":
                    i += 1
                i += 1
            elif key == "END":  # END LIBRARY; concatenated libraries go on
                i += 2
            else:
                i = ws.end_of(i) + 1
    return lef


# --- DEF --------------------------------------------------------------------

class Component:
    __slots__ = ("name", "macro", "status", "x", "y", "orient", "halo", "region")

    def __init__(self, name, macro):
        self.name, self.macro, self.status = name, macro, None
        self.x = self.y = 0
        self.orient, self.halo, self.region = "N", None, None


class Pin:
    __slots__ = ("name", "net", "direction", "use", "status", "x", "y", "orient", "layer", "shape")

    def __init__(self, name):
        self.name, self.net, self.direction, self.use, self.status = name, None, None, None, None
        self.x = self.y = 0
        self.orient, self.layer, self.shape = "N", None, None

    @property
    def placed(self):
        return self.status in ("PLACED", "FIXED", "COVER")


class Net:
    __slots__ = ("name", "conns", "use")

    def __init__(self, name):
        self.name, self.conns, self.use = name, [], None


class Row:
    __slots__ = ("name", "site", "x", "y", "orient", "nx", "ny", "sx", "sy")


class Region:
    __slots__ = ("name", "boxes", "type")


class Group:
    __slots__ = ("name", "members", "region")


class Blockage:
    """A BLOCKAGES item: PLACEMENT or LAYER; hard when a placement blockage of
    no SOFT or PARTIAL density and no COMPONENT; its RECTs, and each POLYGON
    by the box around it."""
    __slots__ = ("kind", "hard", "boxes")


class Def:
    def __init__(self, path):
        self.path, self.design, self.units = path, None, None
        self.die = None  # (x0, y0, x1, y1): the box of DIEAREA's points
        self.die_points = []
        self.rows, self.tracks = [], []
        self.components = {}  # name -> Component, in file order
        self.pins = {}  # name -> Pin
        self.nets = []
        self.regions = {}  # name -> Region
        self.groups = []
        self.blockages = []
        self.declared = {}  # section -> the count its heading gives


PLACEMENTS = ("PLACED", "FIXED", "COVER")


def _def_component(ws, i, j):
    w = ws.w
    if j - i < 3:
        raise LefDefError("%s: a component without its macro" % ws.path)
    c = Component(_unescape(w[i + 1]), w[i + 2])
    k = i + 3
    while k < j:
        if w[k] != "+":
            k += 1
            continue
        opt = w[k + 1].upper() if k + 1 < j else ""
        if opt in PLACEMENTS:
            c.status = opt
            c.x, c.y = ws.point(k + 2)
            c.orient = w[k + 6].upper() if k + 6 < j else "N"
            k += 7
        elif opt == "UNPLACED":
            c.status = opt
            k += 2
        elif opt == "HALO":
            k += 2
            if k < j and w[k].upper() == "SOFT":
                k += 1
            c.halo = tuple(ws.num(k + d) for d in range(4))
            k += 4
        elif opt == "REGION" and k + 2 < j and w[k + 2] != "(":
            c.region = w[k + 2]
            k += 3
        else:
            k += 1
    return c


def _def_pin(ws, i, j):
    w = ws.w
    p = Pin(w[i + 1])
    ports = 0  # the first port's shape and place are the ones kept
    k = i + 2
    while k < j:
        if w[k] != "+":
            k += 1
            continue
        opt = w[k + 1].upper() if k + 1 < j else ""
        k += 2
        if opt == "NET" and k < j:
            p.net = w[k]
        elif opt == "DIRECTION" and k < j:
            p.direction = w[k].upper()
        elif opt == "USE" and k < j:
            p.use = w[k].upper()
        elif opt == "PORT":
            ports += 1
            if ports > 1 and (p.layer or p.status):
                break
        elif opt in ("LAYER", "POLYGON") and k < j and p.layer is None:
            layer = w[k]
            while k < j and w[k] != "(":
                k += 1
            pts, k = ws.points(k, j)
            if pts:
                xs, ys = [x for x, _ in pts], [y for _, y in pts]
                p.layer, p.shape = layer, (min(xs), min(ys), max(xs), max(ys))
        elif opt in PLACEMENTS and p.status is None:
            p.status = opt
            p.x, p.y = ws.point(k)
            p.orient = w[k + 4].upper() if k + 4 < j else "N"
    return p


def _def_net(ws, i, j):
    w = ws.w
    net = Net(w[i + 1])
    k = i + 2
    conns = net.conns
    while k < j and w[k] == "(":
        if w[k + 3] == ")":  # the usual ( comp pin )
            e = k + 3
        else:
            try:
                e = w.index(")", k, j)
            except ValueError:
                raise LefDefError("%s: net %s: ')' missing" % (ws.path, net.name)) from None
        comp = w[k + 1]
        if e > k + 2 and comp != "*":
            conns.append((comp.replace("\\", "") if "\\" in comp else comp, w[k + 2]))
        k = e + 1
    while k < j:
        try:
            k = w.index("+", k, j)
        except ValueError:
            break
        if k + 2 < j and w[k + 1].upper() == "USE":
            net.use = w[k + 2].upper()
        k += 1
    return net


def _def_region(ws, i, j):
    w = ws.w
    r = Region()
    r.name, r.type = w[i + 1], None
    pts, k = ws.points(i + 2, j)
    r.boxes = [(min(a[0], b[0]), min(a[1], b[1]), max(a[0], b[0]), max(a[1], b[1]))
               for a, b in zip(pts[0::2], pts[1::2])]
    while k < j:
        if w[k] == "+" and k + 2 < j and w[k + 1].upper() == "TYPE":
            r.type = w[k + 2].upper()
        k += 1
    return r


def _def_group(ws, i, j):
    w = ws.w
    g = Group()
    g.name, g.region = w[i + 1], None
    k = i + 2
    while k < j and w[k] != "+":
        k += 1
    g.members = [_unescape(m) for m in w[i + 2:k]]
    while k < j:
        if w[k] == "+" and k + 2 < j and w[k + 1].upper() == "REGION" and w[k + 2] != "(":
            g.region = w[k + 2]
        k += 1
    return g


def _def_blockage(ws, i, j):
    w = ws.w
    b = Blockage()
    b.kind = w[i + 1].upper()
    words = {word.upper() for word in w[i + 2:j]}
    b.hard = b.kind == "PLACEMENT" and not words & {"SOFT", "PARTIAL", "COMPONENT"}
    b.boxes = []
    k = i + 2
    while k < j:
        if w[k].upper() in ("RECT", "POLYGON"):
            pts, k = ws.points(k + 1, j)
            xs, ys = [p[0] for p in pts], [p[1] for p in pts]
            b.boxes.append((min(xs), min(ys), max(xs), max(ys)))
        else:
            k += 1
    return b


_SECTION_READERS = {"COMPONENTS": _def_component, "PINS": _def_pin, "NETS": _def_net,
                    "REGIONS": _def_region, "GROUPS": _def_group, "BLOCKAGES": _def_blockage}


def _def_section(ws, i, key, reader):
    """Reads a section from its keyword at i; returns (items, index after END key)."""
    w = ws.w
    i += 1
    if i < ws.n and w[i].isdigit():  # the count, where the section has one
        i = ws.end_of(i) + 1
    items = []
    while i < ws.n:
        word = w[i]
        if word == "-":
            j = ws.end_of(i, "';' of a %s statement" % key)
            if reader and j > i + 1:
                items.append(reader(ws, i, j))
            i = j + 1
        elif word.upper() == "END":
            return items, i + 2
        else:
            i = ws.end_of(i) + 1
    raise LefDefError("%s: END %s missing" % (ws.path, key))


def _cut_nets(text):
    """The text without its NETS section, when the section is plainly written."""
    start = text.find("\nNETS ")
    if start < 0:
        return text
    end = text.find("\nEND NETS", start)
    return text if end < 0 else text[:start + 1] + "NETS 0 ;" + text[end:]


def read_def(path, nets=True):
    """The DEF file's records; nets=False leaves the NETS section unread (faster)."""
    collecting = gc.isenabled()
    gc.disable()  # hundreds of thousands of records: the collector's passes would cost a third
    try:
        return _read_def(path, nets)
    finally:
        if collecting:
            gc.enable()


def _read_def(path, nets):
    text = _read_text(path)
    if not nets:
        text = _cut_nets(text)
    ws = _Words(tokenize(text), path)
    del text
    d = Def(path)
    w, i = ws.w, 0
    while i < ws.n:
        key = w[i].upper()
        if key in _SECTION_READERS:
            if i + 1 < ws.n and w[i + 1].isdigit():
                d.declared[key] = int(w[i + 1])
            reader = _SECTION_READERS[key] if nets or key != "NETS" else None
            items, i = _def_section(ws, i, key, reader)
            if key == "COMPONENTS":
                d.components.update((c.name, c) for c in items)
            elif key == "PINS":
                d.pins.update((p.name, p) for p in items)
            elif key == "NETS":
                d.nets = items
            elif key == "REGIONS":
                d.regions.update((r.name, r) for r in items)
            elif key == "BLOCKAGES":
                d.blockages = items
            else:
                d.groups = items
            continue
        if key == "BEGINEXT":
            while i < ws.n and w[i].upper() != "ENDEXT":
                i += 1
            i += 1
            continue
        if key == "END":
            if i + 1 < ws.n and w[i + 1].upper() == "DESIGN":
                break
            i += 2
            continue
        j = ws.end_of(i)
        if key in ("PROPERTYDEFINITIONS", "VIAS", "SPECIALNETS", "BLOCKAGES", "SLOTS", "FILLS",
                   "NONDEFAULTRULES", "SCANCHAINS", "STYLES", "PINPROPERTIES"):
            _, i = _def_section(ws, i, key, None)
            continue
        if key == "DESIGN" and j > i + 1:
            d.design = w[i + 1]
        elif key == "UNITS" and j == i + 4:
            d.units = ws.num(i + 3)
        elif key == "DIEAREA":
            d.die_points, _ = ws.points(i + 1, j)
            if d.die_points:
                xs, ys = [x for x, _ in d.die_points], [y for _, y in d.die_points]
                d.die = (min(xs), min(ys), max(xs), max(ys))
        elif key == "ROW":
            d.rows.append(_def_row(ws, i, j))
        elif key == "TRACKS":
            d.tracks.append(_def_tracks(ws, i, j))
        i = j + 1
    if d.units is None:
        raise LefDefError("%s: no UNITS DISTANCE MICRONS" % path)
    return d


def _def_row(ws, i, j):
    w = ws.w
    if j - i < 6:
        raise LefDefError("%s: ROW name site x y orient expected" % ws.path)
    r = Row()
    r.name, r.site = w[i + 1], w[i + 2]
    r.x, r.y = ws.num(i + 3), ws.num(i + 4)
    r.orient = w[i + 5].upper()
    r.nx = r.ny = 1
    r.sx = r.sy = 0
    k = i + 6
    while k < j:
        word = w[k].upper()
        if word == "DO" and k + 1 < j:
            r.nx = ws.num(k + 1)
            if k + 3 < j and w[k + 2].upper() == "BY":
                r.ny = ws.num(k + 3)
        elif word == "STEP" and k + 2 < j:
            r.sx, r.sy = ws.num(k + 1), ws.num(k + 2)
        elif word == "+":
            break
        k += 1
    return r


def _def_tracks(ws, i, j):
    """(direction, start, count, step, layers) of a TRACKS statement."""
    w = ws.w
    words = w[i + 1:j]
    upper = [x.upper() for x in words]
    start = count = step = 0
    if len(words) >= 6 and upper[2] == "DO" and upper[4] == "STEP":
        start, count, step = ws.num(i + 2), ws.num(i + 4), ws.num(i + 6)
    layers = words[upper.index("LAYER") + 1:] if "LAYER" in upper else []
    return (upper[0] if upper else "", start, count, step, layers)


# --- geometry ---------------------------------------------------------------

ORIENTS = ("N", "W", "S", "E", "FN", "FW", "FS", "FE")
# Each orientation as the matrix it applies to a point (x, y) -> (a x + b y, c x + d y).
_MATRIX = {"N": (1, 0, 0, 1), "W": (0, -1, 1, 0), "S": (-1, 0, 0, -1), "E": (0, 1, -1, 0),
           "FN": (-1, 0, 0, 1), "FW": (0, 1, 1, 0), "FS": (1, 0, 0, -1), "FE": (0, -1, -1, 0)}
_ORIENT_OF = {m: o for o, m in _MATRIX.items()}
# SYMMETRY X mirrors about the x axis, Y about the y axis, R90 turns a quarter.
_SYMMETRY_MATRIX = {"X": _MATRIX["FS"], "Y": _MATRIX["FN"], "R90": _MATRIX["W"]}


def _times(p, q):
    a, b, c, d = p
    e, f, g, h = q
    return (a * e + b * g, a * f + b * h, c * e + d * g, c * f + d * h)


def allowed_orients(symmetry):
    """The orientations a LEF SYMMETRY allows: the group its symmetries generate."""
    gens = [_SYMMETRY_MATRIX[s] for s in symmetry if s in _SYMMETRY_MATRIX]
    found = {_MATRIX["N"]}
    todo = list(found)
    while todo:
        m = todo.pop()
        for g in gens:
            p = _times(g, m)
            if p not in found:
                found.add(p)
                todo.append(p)
    return frozenset(_ORIENT_OF[m] for m in found)


def row_orients(orient):
    """The orientations a cell may take on a row: the row's and its mirror about the y axis."""
    m = _MATRIX.get(orient, _MATRIX["N"])
    return frozenset((_ORIENT_OF[m], _ORIENT_OF[_times(_MATRIX["FN"], m)]))


def placed_size(w, h, orient):
    return (h, w) if orient in ("W", "E", "FW", "FE") else (w, h)


def placed_box(x, y, w, h, orient):
    """The box a macro of size w x h covers when placed at (x, y): its lower left is (x, y)."""
    w, h = placed_size(w, h, orient)
    return (x, y, x + w, y + h)


def transform_box(box, orient, x=0, y=0):
    """A shape box given around a pin's origin, turned by orient and moved to (x, y)."""
    a, b, c, d = _MATRIX.get(orient, _MATRIX["N"])
    x0, y0, x1, y1 = box
    xs = (a * x0 + b * y0, a * x1 + b * y1)
    ys = (c * x0 + d * y0, c * x1 + d * y1)
    return (x + min(xs), y + min(ys), x + max(xs), y + max(ys))


def box_area(b):
    return max(0, b[2] - b[0]) * max(0, b[3] - b[1])


def overlap_area(p, q):
    return max(0, min(p[2], q[2]) - max(p[0], q[0])) * max(0, min(p[3], q[3]) - max(p[1], q[1]))
