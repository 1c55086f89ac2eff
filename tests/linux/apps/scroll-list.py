#!/usr/bin/python3
"""A GTK 3 window "Liste" at 640,80 holding a scrolled list of 80 rows ("Rad 1" to "Rad 80"),
taller than the window, so that a scroll over it moves its vertical scroll bar."""
import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title="Liste")
window.set_default_size(300, 300)
window.move(640, 80)
window.connect("destroy", Gtk.main_quit)

rows = Gtk.ListBox()
for number in range(1, 81):
    rows.add(Gtk.Label(label="Rad %d" % number, xalign=0))
scrolled = Gtk.ScrolledWindow()
scrolled.set_policy(Gtk.PolicyType.NEVER, Gtk.PolicyType.AUTOMATIC)
scrolled.add(rows)
window.add(scrolled)
window.show_all()
Gtk.main()
