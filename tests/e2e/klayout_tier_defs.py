# Reads the DEF of each tier with the design's LEF files through KLayout, a
# LEF/DEF reader of its own, and checks that it finds the components, regions
# and groups each DEF declares, and that every fence lies inside the die,
# clear of the other fences and of every macro (LEF CLASS BLOCK), by its LEF
# outline, whole rows high and of a height over width within the range the
# run's fl.prm gives (fence_aspect, 300 by default). The rest of what stands
# where is tools/defcheck's to check. Prints each failure; exits 1 on any.
# usage: QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=a.lef,b.lef
#          -rd defs=t0.def,t1.def -r klayout_tier_defs.py
import re
import sys

import pya

failures = []
fail = failures.append

# The macros by name, from the LEF text: the reader keeps no CLASS.
macros = set()
for lef in lefs.split(","):
    for name, body in re.findall(r"\bMACRO\s+(\S+)(.*?)\bEND\s+\1\b", open(lef).read(), re.S):
        if re.search(r"\bCLASS\s+BLOCK\b", body):
            macros.add(name)

given = re.findall(r"\bfence_aspect\s+(\d+)", open("fl.prm").read())
aspect = int(given[-1]) / 100 if given else 3.0

read = 0
for tier, deffile in enumerate(defs.split(",")):
    text = open(deffile).read()
    declared = {s: int((re.search(r"\n%s\s*(\d+)" % s, text) or [0, -1])[1]) for s in ["COMPONENTS", "REGIONS", "GROUPS"]}
    options = pya.LoadLayoutOptions()
    config = options.lefdef_config
    config.lef_files = lefs.split(",")
    config.read_lef_with_def = False
    config.instance_property_name = "inst"
    config.produce_regions = True
    config.separate_groups = True
    layout = pya.Layout()
    layout.read(deffile, options)
    top = layout.top_cell()
    layers = {layout.get_info(layer).name: layer for layer in layout.layer_indexes()}
    fences = []
    if "REGIONS" in layers:
        for cell in layout.each_cell():
            fences += [shape.bbox() for shape in cell.shapes(layers["REGIONS"]).each()]
    regions = len(fences)
    outline = layers.get("OUTLINE")
    die = pya.Box()
    for shape in top.shapes(outline).each() if outline is not None else []:
        die += shape.bbox()
    # Components stand in a cell per group (GROUP_name, NOGROUP for the
    # others), or in the top cell itself when the DEF has no groups.
    instances, groups, blocks = 0, set(), []
    for outer in top.each_inst():
        if outer.property("inst") is not None:
            members, group = [outer], "NOGROUP"
        else:
            members, group = list(outer.cell.each_inst()), outer.cell.name
        instances += len(members)
        groups |= {group} - {"NOGROUP"}
        if group == "NOGROUP" and outline is not None:
            blocks += [(m.property("inst"), m.cell.bbox_per_layer(outline).transformed(m.trans))
                       for m in members if m.cell.name in macros]
    rows = sorted({int(y) for y in re.findall(r"\nROW \S+ \S+ -?\d+ (-?\d+) ", text)})
    units = int((re.search(r"\nUNITS DISTANCE MICRONS (\d+)", text) or [0, 1000])[1])
    pitch = round((rows[1] - rows[0]) / units / layout.dbu) if len(rows) > 1 else 1
    for k, fence in enumerate(fences):
        if not fence.inside(die):
            fail("tier %d: fence %s beyond the die %s" % (tier, fence, die))
        # Corners stand on the database grid: a unit of rounding each side.
        if fence.height() % pitch or not 1 / aspect <= fence.height() / (fence.width() - 2) or \
                fence.height() / (fence.width() + 2) > aspect:
            fail("tier %d: fence %s not whole rows of %d high or beyond the aspect %g" % (tier, fence, pitch, aspect))
        for name, box in [("fence", other) for other in fences[:k]] + blocks:
            if fence.overlaps(box):
                fail("tier %d: fence %s overlaps %s %s" % (tier, fence, name, box))
    read += instances
    for what, count in (("COMPONENTS", instances), ("REGIONS", regions), ("GROUPS", len(groups))):
        if count != declared[what]:
            fail("tier %d: %d %s read, %d declared" % (tier, count, what, declared[what]))

print("\n".join(["FAIL " + f for f in failures] + ["%d components read" % read]))
sys.exit(1 if failures else 0)
