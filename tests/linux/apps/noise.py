#!/usr/bin/python3
"""A GTK 3 window "Støy" at 0,0 showing random pixels, WIDTH by HEIGHT (the arguments), so
that a screenshot of it is as large as an image of its size can be: noise does not compress."""
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib, Gtk  # noqa: E402

width, height = int(sys.argv[1]), int(sys.argv[2])
pixels = GLib.Bytes.new(os.urandom(width * height * 3))
image = GdkPixbuf.Pixbuf.new_from_bytes(
    pixels, GdkPixbuf.Colorspace.RGB, False, 8, width, height, width * 3)

window = Gtk.Window(title="Støy")
window.set_default_size(width, height)
window.move(0, 0)
window.connect("destroy", Gtk.main_quit)
window.add(Gtk.Image.new_from_pixbuf(image))
window.show_all()
Gtk.main()
