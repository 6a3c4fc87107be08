# What KLayout, a LEF/DEF reader of its own, reads from the DEF of each tier
# with the design's LEF files, in microns, one line per item:
#   die T xl yl xh yh                       the die area of tier T
#   region T group xl yl xh yh              a fence region, by the group it holds
#   inst T name macro xl yl xh yh group     a placed component ("NOGROUP" outside groups)
# Tiers are numbered in the order the DEF files are given.
# usage: QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=a.lef,b.lef -rd defs=t0.def,t1.def -r klayout_tier_defs.py
import pya


def box_line(box):
    return "%.4f %.4f %.4f %.4f" % (box.left, box.bottom, box.right, box.top)


for tier, deffile in enumerate(defs.split(",")):
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
    for layer in layout.layer_indexes():
        name = layout.get_info(layer).name
        if name == "OUTLINE":
            for shape in top.shapes(layer).each():
                print("die", tier, box_line(shape.dbbox()))
        if name == "REGIONS":
            for cell in layout.each_cell():
                for shape in cell.shapes(layer).each():
                    print("region", tier, cell.name.replace("GROUP_", "", 1), box_line(shape.dbbox()))
    # Components stand in a cell per group (GROUP_name, NOGROUP for the
    # others), or in the top cell itself when the DEF has no groups.
    for outer in top.each_inst():
        if outer.property("inst") is not None:
            members, group = [outer], "NOGROUP"
        else:
            members, group = list(outer.cell.each_inst()), outer.cell.name
        for inst in members:
            trans = inst.dcplx_trans if inst is outer else outer.dcplx_trans * inst.dcplx_trans
            placed = inst.cell.dbbox().transformed(trans)
            print("inst", tier, inst.property("inst"), inst.cell.name, box_line(placed), group)
