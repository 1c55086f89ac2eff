// The names and numbers of the AT-SPI2 D-Bus protocol that the accessibility service uses:
// bus names, object paths, interfaces, and the role and state numbers it reads.
#pragma once

#include <cstdint>

namespace orvel::linuxdesktop::atspi {

inline constexpr const char* registryName = "org.a11y.atspi.Registry";
inline constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";
inline constexpr const char* registryPath = "/org/a11y/atspi/registry";
inline constexpr const char* cachePath = "/org/a11y/atspi/cache";
// The reference an object answers with when it has no parent.
inline constexpr const char* nullPath = "/org/a11y/atspi/null";

inline constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";
inline constexpr const char* actionInterface = "org.a11y.atspi.Action";
inline constexpr const char* componentInterface = "org.a11y.atspi.Component";
inline constexpr const char* collectionInterface = "org.a11y.atspi.Collection";
inline constexpr const char* textInterface = "org.a11y.atspi.Text";
inline constexpr const char* editableTextInterface = "org.a11y.atspi.EditableText";
inline constexpr const char* valueInterface = "org.a11y.atspi.Value";
inline constexpr const char* registryInterface = "org.a11y.atspi.Registry";
inline constexpr const char* cacheInterface = "org.a11y.atspi.Cache";
inline constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

// The session bus's launcher of the accessibility bus.
inline constexpr const char* launcherName = "org.a11y.Bus";
inline constexpr const char* launcherPath = "/org/a11y/bus";
inline constexpr const char* launcherInterface = "org.a11y.Bus";
inline constexpr const char* statusInterface = "org.a11y.Status";

// Component.GetExtents coordinate types.
inline constexpr std::uint32_t screenCoordinates = 0;

// Collection match types and sort orders.
inline constexpr std::int32_t matchAll = 1;
inline constexpr std::uint32_t canonicalOrder = 1;

namespace role {
inline constexpr std::uint32_t alert = 2;
inline constexpr std::uint32_t checkBox = 7;
inline constexpr std::uint32_t checkMenuItem = 8;
inline constexpr std::uint32_t colorChooser = 9;
inline constexpr std::uint32_t dialog = 16;
inline constexpr std::uint32_t fileChooser = 19;
inline constexpr std::uint32_t fontChooser = 22;
inline constexpr std::uint32_t frame = 23;
inline constexpr std::uint32_t passwordText = 40;
inline constexpr std::uint32_t radioButton = 44;
inline constexpr std::uint32_t radioMenuItem = 45;
inline constexpr std::uint32_t toggleButton = 62;
inline constexpr std::uint32_t window = 69;
inline constexpr std::uint32_t application = 75;
} // namespace role

namespace state {
inline constexpr unsigned active = 1;
inline constexpr unsigned checked = 4;
inline constexpr unsigned defunct = 6;
inline constexpr unsigned editable = 7;
inline constexpr unsigned enabled = 8;
inline constexpr unsigned focusable = 11;
inline constexpr unsigned focused = 12;
inline constexpr unsigned pressed = 20;
inline constexpr unsigned sensitive = 24;
inline constexpr unsigned showing = 25;
inline constexpr unsigned managesDescendants = 31;
} // namespace state

} // namespace orvel::linuxdesktop::atspi
