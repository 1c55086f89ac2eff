#!/usr/bin/python3
"""A GTK 3 window of rows of labelled widgets, for observing a large real accessibility tree.

Usage: widget-grid.py [ROWS] [COLUMNS]. Each row holds a label, a check button, an entry and
COLUMNS - 3 buttons; the defaults (30 rows of 50) give about 1,500 elements. The window is
titled "Rutenett" and placed at 0,0.
"""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

rows = int(sys.argv[1]) if len(sys.argv) > 1 else 30
columns = int(sys.argv[2]) if len(sys.argv) > 2 else 50

window = Gtk.Window(title="Rutenett")
window.set_default_size(1600, 1000)
window.move(0, 0)
window.connect("destroy", Gtk.main_quit)
scrolled = Gtk.ScrolledWindow()
column = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=2)
for row in range(rows):
    line = Gtk.Box(orientation=Gtk.Orientation.HORIZONTAL, spacing=2)
    line.pack_start(Gtk.Label(label=f"Rad {row + 1}"), False, False, 0)
    line.pack_start(Gtk.CheckButton(label=f"Valgt {row + 1}"), False, False, 0)
    entry = Gtk.Entry()
    entry.set_text(f"Tekst {row + 1}")
    entry.set_width_chars(8)
    line.pack_start(entry, False, False, 0)
    for index in range(columns - 3):
        line.pack_start(Gtk.Button(label=f"K{row + 1}.{index + 1}"), False, False, 0)
    column.pack_start(line, False, False, 0)
scrolled.add(column)
window.add(scrolled)
window.show_all()
Gtk.main()
