# Reads the DEF of each tier with the design's LEF files through KLayout, a
# LEF/DEF reader of its own, and checks that it finds the components, regions
# and groups each DEF declares. What stands where is tools/defcheck's to
# check. Prints each failure; exits 1 on any.
# usage: QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=a.lef,b.lef
#          -rd defs=t0.def,t1.def -r klayout_tier_defs.py
import re
import sys

import pya

failures = []
fail = failures.append

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
    regions = 0
    for layer in layout.layer_indexes():
        if layout.get_info(layer).name == "REGIONS":
            for cell in layout.each_cell():
                regions += cell.shapes(layer).size()
    # Components stand in a cell per group (GROUP_name, NOGROUP for the
    # others), or in the top cell itself when the DEF has no groups.
    instances, groups = 0, set()
    for outer in top.each_inst():
        if outer.property("inst") is not None:
            members, group = [outer], "NOGROUP"
        else:
            members, group = list(outer.cell.each_inst()), outer.cell.name
        instances += len(members)
        groups |= {group} - {"NOGROUP"}
    read += instances
    for what, count in (("COMPONENTS", instances), ("REGIONS", regions), ("GROUPS", len(groups))):
        if count != declared[what]:
            fail("tier %d: %d %s read, %d declared" % (tier, count, what, declared[what]))

print("\n".join(["FAIL " + f for f in failures] + ["%d components read" % read]))
sys.exit(1 if failures else 0)
