// Paints a `WindowPicture` into an RGBA image of the requested size, stretched to fit: a light
// window with a title bar (three window buttons and a bar for the title), and each element
// drawn after its kind, so that a person looking at the capture recognises the layout: white
// text fields with a bar for their text, password fields with dots, blue buttons, checkboxes
// (filled when checked), grey bars for static text, white lists with row separators, and a
// blue ring around the element with keyboard focus. Pure.
#pragma once

#include "platform/ScreenCapture.hpp"
#include "platform/sim/WindowPicture.hpp"

namespace orvel::sim {

platform::CapturedImage renderWindow(const WindowPicture& picture, int width, int height);

} // namespace orvel::sim
