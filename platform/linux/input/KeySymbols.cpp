#include "platform/linux/input/KeySymbols.hpp"

#include "OrvelControlCore/Keymap.hpp"

#include <X11/keysym.h>

#include <array>
#include <cstdlib>
#include <utility>

namespace orvel::linuxdesktop {

namespace {

struct VirtualKey {
    std::uint16_t code;
    Keysym keysym;
};

// The macOS virtual key codes of the key map and the X keys at the same places; macOS calls
// BackSpace "delete" and Delete "forward delete".
constexpr std::array<VirtualKey, 62> virtualKeys{{
    {36, XK_Return},  {48, XK_Tab},    {49, XK_space}, {51, XK_BackSpace}, {53, XK_Escape},
    {117, XK_Delete}, {115, XK_Home},  {119, XK_End},  {116, XK_Prior},    {121, XK_Next},
    {123, XK_Left},   {124, XK_Right}, {125, XK_Down}, {126, XK_Up},       {122, XK_F1},
    {120, XK_F2},     {99, XK_F3},     {118, XK_F4},   {96, XK_F5},        {97, XK_F6},
    {98, XK_F7},      {100, XK_F8},    {101, XK_F9},   {109, XK_F10},      {103, XK_F11},
    {111, XK_F12},    {0, XK_a},       {11, XK_b},     {8, XK_c},          {2, XK_d},
    {14, XK_e},       {3, XK_f},       {5, XK_g},      {4, XK_h},          {34, XK_i},
    {38, XK_j},       {40, XK_k},      {37, XK_l},     {46, XK_m},         {45, XK_n},
    {31, XK_o},       {35, XK_p},      {12, XK_q},     {15, XK_r},         {1, XK_s},
    {17, XK_t},       {32, XK_u},      {9, XK_v},      {13, XK_w},         {7, XK_x},
    {16, XK_y},       {6, XK_z},       {29, XK_0},     {18, XK_1},         {19, XK_2},
    {20, XK_3},       {21, XK_4},      {23, XK_5},     {22, XK_6},         {26, XK_7},
    {28, XK_8},       {25, XK_9},
}};

} // namespace

std::optional<Keysym> keysymForVirtualKey(std::uint16_t code) {
    for (const auto& key : virtualKeys) {
        if (key.code == code) {
            return key.keysym;
        }
    }
    return std::nullopt;
}

std::optional<Keysym> keysymForCodePoint(char32_t codePoint) {
    if (codePoint == U'\n' || codePoint == U'\r') {
        return XK_Return;
    }
    if (codePoint == U'\t') {
        return XK_Tab;
    }
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (control || surrogate || codePoint > 0x10FFFF) {
        return std::nullopt;
    }
    if (codePoint <= 0xFF) {
        return static_cast<Keysym>(codePoint);
    }
    return static_cast<Keysym>(0x01000000 + codePoint);
}

std::vector<Keysym> modifierKeysyms(std::uint64_t flags) {
    constexpr std::array<std::pair<std::uint64_t, Keysym>, 4> keys{{
        {Keymap::maskShift, XK_Shift_L},
        {Keymap::maskControl, XK_Control_L},
        {Keymap::maskAlternate, XK_Alt_L},
        {Keymap::maskCommand, XK_Super_L},
    }};
    std::vector<Keysym> held;
    for (const auto& [flag, keysym] : keys) {
        if ((flags & flag) != 0) {
            held.push_back(keysym);
        }
    }
    return held;
}

unsigned int xButton(std::uint32_t button) {
    if (button == 0) {
        return 1;
    }
    if (button == 1) {
        return 3;
    }
    if (button == 2) {
        return 2;
    }
    return button + 5;
}

std::vector<WheelClicks> wheelClicks(std::int32_t vertical, std::int32_t horizontal) {
    std::vector<WheelClicks> clicks;
    const auto notches = [](std::int32_t pixels) {
        return static_cast<int>((std::abs(pixels) + pixelsPerNotch - 1) / pixelsPerNotch);
    };
    if (vertical != 0) {
        clicks.push_back({vertical > 0 ? 4U : 5U, notches(vertical)});
    }
    if (horizontal != 0) {
        clicks.push_back({horizontal > 0 ? 6U : 7U, notches(horizontal)});
    }
    return clicks;
}

} // namespace orvel::linuxdesktop
