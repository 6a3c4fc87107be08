# Reads the DEF of each tier with the design's LEF files through KLayout, a
# LEF/DEF reader of its own, and checks what it finds: every component of the
# block map on exactly one tier (none for those mapped to "-"), the section
# counts each DEF declares, every macro (LEF CLASS BLOCK) inside its tier's
# die and clear of the other macros and of every fence region, every cell of
# a group starting inside its fence. Prints each failure; exits 1 on any.
# usage: QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=a.lef,b.lef
#          -rd defs=t0.def,t1.def -rd blockmap=x_blocks.map -r klayout_tier_defs.py
import re
import sys

import pya

failures = []
fail = failures.append

# KLayout keeps the macros of a DEF as cells without geometry; the placed box
# of an instance is its macro's LEF size moved by the instance's transformation.
sizes, block_macros = {}, set()
for lef in lefs.split(","):
    macro = None
    for line in open(lef):
        words = line.split()
        if len(words) >= 2 and words[0] == "MACRO":
            macro = words[1]
        elif macro and len(words) >= 4 and words[0] == "SIZE" and words[2] == "BY":
            sizes[macro] = (float(words[1]), float(words[3]))
        elif macro and words[:2] == ["CLASS", "BLOCK"]:
            block_macros.add(macro)
        elif macro and words[:2] == ["END", macro]:
            macro = None


def inside(a, outer, e=1e-6):
    return a.left >= outer.left - e and a.bottom >= outer.bottom - e and a.right <= outer.right + e and a.top <= outer.top + e


def overlap(a, b, e=1e-6):
    return min(a.right, b.right) - max(a.left, b.left) > e and min(a.top, b.top) - max(a.bottom, b.bottom) > e


seen = {}
for tier, deffile in enumerate(defs.split(",")):
    text = open(deffile).read()
    declared = {s: int((re.search(r"\n%s\s*(\d+)" % s, text) or [0, -1])[1]) for s in ["COMPONENTS", "REGIONS", "GROUPS"]}
    options = pya.LoadLayoutOptions()
    config = options.lefdef_config
    config.lef_files = lefs.split(",")
    config.read_lef_with_def = False
    config.instance_property_name = "inst"
    config.produce_regions = True
    config.produce_cell_outlines = True
    config.separate_groups = True
    layout = pya.Layout()
    layout.read(deffile, options)
    top = layout.top_cell()
    die, regions, fence = None, [], {}  # fence: region by group name
    for layer in layout.layer_indexes():
        name = layout.get_info(layer).name
        if name == "OUTLINE":
            for shape in top.shapes(layer).each():
                die = shape.dbbox()
        if name == "REGIONS":
            for cell in layout.each_cell():
                for shape in cell.shapes(layer).each():
                    regions.append((cell.name.replace("GROUP_", "", 1), shape.dbbox()))
                    fence[regions[-1][0]] = regions[-1][1]
    # Components stand in a cell per group (GROUP_name, NOGROUP for the
    # others), or in the top cell itself when the DEF has no groups.
    instances, groups, macros = 0, set(), []
    for outer in top.each_inst():
        if outer.property("inst") is not None:
            members, group = [outer], "NOGROUP"
        else:
            members, group = list(outer.cell.each_inst()), outer.cell.name
        for inst in members:
            trans = inst.dcplx_trans if inst is outer else outer.dcplx_trans * inst.dcplx_trans
            w, h = sizes.get(inst.cell.name, (0.0, 0.0))
            placed = pya.DBox(0, 0, w, h).transformed(trans)
            name = inst.property("inst")
            seen[name] = seen.get(name, 0) + 1
            instances += 1
            groups |= {group} - {"NOGROUP"}
            fenced = fence.get(group[6:] if group.startswith("GROUP_") else group)
            if fenced and not inside(pya.DBox(placed.p1, placed.p1), fenced):
                fail("tier %d: %s starts outside its fence" % (tier, name))
            if inst.cell.name in block_macros:
                macros.append((name, placed))
    for what, count in (("COMPONENTS", instances), ("REGIONS", len(regions)), ("GROUPS", len(groups))):
        if count != declared[what]:
            fail("tier %d: %d %s read, %d declared" % (tier, count, what, declared[what]))
    for i, (name, box) in enumerate(macros):
        if die is None or not inside(box, die):
            fail("tier %d: macro %s leaves the die" % (tier, name))
        for other, other_box in macros[:i]:
            if overlap(box, other_box):
                fail("tier %d: macros %s and %s overlap" % (tier, name, other))
        for group, region in regions:
            if overlap(box, region):
                fail("tier %d: macro %s meets the region of %s" % (tier, name, group))

for line in open(blockmap):
    words = line.split()
    if len(words) >= 2 and not line.startswith("#"):
        if seen.get(words[1], 0) != (0 if words[0] == "-" else 1):
            fail("%s is on %d tiers" % (words[1], seen.get(words[1], 0)))
print("\n".join(["FAIL " + f for f in failures] + ["%d components read" % len(seen)]))
sys.exit(1 if failures else 0)
