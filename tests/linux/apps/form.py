#!/usr/bin/python3
"""A small GTK 3 form with a known layout, for the Linux desktop's accessibility tests.

The window "Skjema" sits at 100,80 and holds: the label "Navn" and an entry with
"Ola Nordmann"; the label "Passord" and a password entry holding "hemmelig"; the toggle
button "Lys"; the check button "Godta vilkår"; the button "Lagre", which sets the status
label from "Klar" to "Lagret"; the label "Midlertidig" and the button "Fjern", which destroys
that label; a slider at 40 of 0 to 100.
"""
import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title="Skjema")
window.set_default_size(480, 360)
window.move(100, 80)
window.connect("destroy", Gtk.main_quit)

grid = Gtk.Grid(row_spacing=6, column_spacing=6, margin=12)
grid.attach(Gtk.Label(label="Navn"), 0, 0, 1, 1)
name = Gtk.Entry()
name.set_text("Ola Nordmann")
grid.attach(name, 1, 0, 1, 1)

grid.attach(Gtk.Label(label="Passord"), 0, 1, 1, 1)
password = Gtk.Entry()
password.set_visibility(False)
password.set_text("hemmelig")
grid.attach(password, 1, 1, 1, 1)

grid.attach(Gtk.ToggleButton(label="Lys"), 0, 2, 1, 1)
grid.attach(Gtk.CheckButton(label="Godta vilkår"), 1, 2, 1, 1)

status = Gtk.Label(label="Klar")
save = Gtk.Button(label="Lagre")
save.connect("clicked", lambda _button: status.set_text("Lagret"))
grid.attach(save, 0, 3, 1, 1)
grid.attach(status, 1, 3, 1, 1)

temporary = Gtk.Label(label="Midlertidig")
remove = Gtk.Button(label="Fjern")
remove.connect("clicked", lambda _button: temporary.destroy())
grid.attach(remove, 0, 4, 1, 1)
grid.attach(temporary, 1, 4, 1, 1)

slider = Gtk.Scale.new_with_range(Gtk.Orientation.HORIZONTAL, 0, 100, 1)
slider.set_value(40)
grid.attach(slider, 0, 5, 2, 1)

window.add(grid)
window.show_all()
Gtk.main()
