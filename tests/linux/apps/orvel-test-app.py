#!/usr/bin/python3
"""A small GTK 3 application with a known window, for the Linux desktop's tests and demo.

The window holds a solid colour patch (so that a capture can be compared with what the app
draws), a push button that changes a label, a check button, an entry, a password entry, a
list, a slider and a multi-line text view.

Once the window is on screen and painted, the app prints one line on standard output:
    ready <window id> <patch x> <patch y> <patch width> <patch height> <frame x> <frame y>
          <frame width> <frame height>
(in root-window coordinates; the frame is the window manager's, as GTK reads it). It then
reads commands on standard input, one a line, and answers each with "ok" (or
"error <what>") once it is done:
    iconify | deiconify | present | move X Y | title TEXT | quit
    menu X Y (opens a pop-up menu "Kopier", "Lim inn" at that root point)
    dialog X Y (opens the dialog "Innstillinger" of the same app there) | close (both)
    focus entry | focus password | focus button
It also ends when its standard input closes.

Options: --title TEXT, --x X, --y Y, --width W, --height H, --patch RRGGBB,
--application-id ID.
"""
import argparse
import ctypes
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402

PATCH_WIDTH = 120
PATCH_HEIGHT = 60


def name_process(name):
    """Gives the process the name /proc shows (the interpreter's otherwise)."""
    libc = ctypes.CDLL(None)
    pr_set_name = 15
    libc.prctl(pr_set_name, ctypes.c_char_p(name.encode()), 0, 0, 0)


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", default="Orvel testvindu")
    parser.add_argument("--x", type=int, default=200)
    parser.add_argument("--y", type=int, default=150)
    parser.add_argument("--width", type=int, default=640)
    parser.add_argument("--height", type=int, default=520)
    parser.add_argument("--patch", default="e0007a")
    parser.add_argument("--application-id", default="no.orvel.TestApp")
    return parser.parse_args()


class TestWindow:
    def __init__(self, app, options):
        self.options = options
        self.ready = False
        self.presses = 0
        red, green, blue = (int(options.patch[i:i + 2], 16) / 255 for i in (0, 2, 4))
        self.colour = (red, green, blue)

        self.window = Gtk.ApplicationWindow(application=app, title=options.title)
        self.window.set_default_size(options.width, options.height)
        self.window.move(options.x, options.y)

        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin=12)
        self.window.add(box)

        self.patch = Gtk.DrawingArea()
        self.patch.set_size_request(PATCH_WIDTH, PATCH_HEIGHT)
        self.patch.set_halign(Gtk.Align.START)
        self.patch.connect("draw", self.on_draw)
        self.patch.get_accessible().set_name("Fargefelt")
        box.pack_start(self.patch, False, False, 0)

        self.label = Gtk.Label(label="Ikke trykket")
        box.pack_start(self.label, False, False, 0)
        button = Gtk.Button(label="Trykk meg")
        self.button = button
        button.connect("clicked", self.on_pressed)
        box.pack_start(button, False, False, 0)

        box.pack_start(Gtk.CheckButton(label="Avkrysning"), False, False, 0)

        entry = Gtk.Entry()
        self.entry = entry
        entry.set_placeholder_text("Navn")
        entry.get_accessible().set_name("Navn")
        box.pack_start(entry, False, False, 0)

        password = Gtk.Entry()
        self.password = password
        password.set_visibility(False)
        password.set_text("hemmelig")
        password.get_accessible().set_name("Passord")
        box.pack_start(password, False, False, 0)

        fruits = Gtk.ListBox()
        fruits.get_accessible().set_name("Frukt")
        for fruit in ("Eple", "Banan", "Kirsebær"):
            fruits.add(Gtk.Label(label=fruit, xalign=0))
        box.pack_start(fruits, False, False, 0)

        slider = Gtk.Scale.new_with_range(Gtk.Orientation.HORIZONTAL, 0, 100, 1)
        slider.set_value(25)
        slider.get_accessible().set_name("Styrke")
        box.pack_start(slider, False, False, 0)

        text = Gtk.TextView()
        text.get_buffer().set_text("Første linje\nAndre linje")
        text.get_accessible().set_name("Notat")
        box.pack_start(text, True, True, 0)

        self.window.show_all()
        self.menu = None
        self.dialog = None

    def open_menu(self, x, y):
        self.menu = Gtk.Menu()
        for label in ("Kopier", "Lim inn"):
            self.menu.append(Gtk.MenuItem(label=label))
        self.menu.show_all()
        origin = self.window.get_window().get_origin()
        rectangle = Gdk.Rectangle()
        rectangle.x, rectangle.y = x - origin.x, y - origin.y
        rectangle.width = rectangle.height = 1
        self.menu.popup_at_rect(self.window.get_window(), rectangle, Gdk.Gravity.NORTH_WEST,
                                Gdk.Gravity.NORTH_WEST, None)

    def open_dialog(self, x, y):
        self.dialog = Gtk.Dialog(title="Innstillinger", transient_for=self.window)
        self.dialog.set_default_size(240, 160)
        self.dialog.get_content_area().add(Gtk.Label(label="Innstillinger"))
        self.dialog.move(x, y)
        self.dialog.show_all()

    def close_pop_ups(self):
        if self.menu is not None:
            self.menu.popdown()
            self.menu.destroy()
            self.menu = None
        if self.dialog is not None:
            self.dialog.destroy()
            self.dialog = None

    def on_pressed(self, _button):
        self.presses += 1
        self.label.set_text("Trykket %d" % self.presses)

    def on_draw(self, _widget, cairo):
        cairo.set_source_rgb(*self.colour)
        cairo.paint()
        if not self.ready:
            self.ready = True
            # Announce after this frame has reached the server.
            GLib.timeout_add(50, self.announce)
        return True

    def announce(self):
        gdk_window = self.window.get_window()
        origin = gdk_window.get_origin()
        x, y = self.patch.translate_coordinates(self.window, 0, 0)
        allocation = self.patch.get_allocation()
        frame = gdk_window.get_frame_extents()
        print("ready %d %d %d %d %d %d %d %d %d" % (
            gdk_window.get_xid(), origin.x + x, origin.y + y, allocation.width,
            allocation.height, frame.x, frame.y, frame.width, frame.height), flush=True)
        return False

    def run_command(self, line):
        words = line.split(" ", 1)
        command = words[0]
        argument = words[1] if len(words) > 1 else ""
        if command == "iconify":
            self.window.iconify()
        elif command == "deiconify":
            self.window.deiconify()
            self.window.present()
        elif command == "present":
            self.window.present()
        elif command == "move":
            x, y = (int(value) for value in argument.split())
            self.window.move(x, y)
        elif command == "title":
            self.window.set_title(argument)
        elif command == "menu":
            x, y = (int(value) for value in argument.split())
            self.open_menu(x, y)
        elif command == "dialog":
            x, y = (int(value) for value in argument.split())
            self.open_dialog(x, y)
        elif command == "close":
            self.close_pop_ups()
        elif command == "focus":
            widgets = {"entry": self.entry, "password": self.password, "button": self.button}
            if argument not in widgets:
                return "error unknown widget " + argument
            widgets[argument].grab_focus()
        elif command == "quit":
            self.window.get_application().quit()
            return "ok"
        else:
            return "error unknown command " + command
        Gdk.Display.get_default().sync()
        return "ok"


def main():
    options = parse_arguments()
    name_process("orvel-test-app")
    GLib.set_prgname("orvel-test-app")
    app = Gtk.Application(application_id=options.application_id,
                          flags=Gio.ApplicationFlags.NON_UNIQUE)
    state = {}

    def on_input(channel, condition):
        if condition & (GLib.IO_HUP | GLib.IO_ERR):
            app.quit()
            return False
        line = channel.readline()
        if not line:
            app.quit()
            return False
        answer = state["window"].run_command(line.strip())
        print(answer, flush=True)
        return True

    def on_activate(application):
        state["window"] = TestWindow(application, options)
        channel = GLib.IOChannel.unix_new(sys.stdin.fileno())
        GLib.io_add_watch(channel, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR,
                          on_input)

    app.connect("activate", on_activate)
    return app.run([sys.argv[0]])


if __name__ == "__main__":
    sys.exit(main())
