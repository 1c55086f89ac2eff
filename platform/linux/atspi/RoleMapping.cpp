#include "platform/linux/atspi/RoleMapping.hpp"

#include "platform/linux/atspi/AtspiProtocol.hpp"

#include <array>

namespace orvel::linuxdesktop {

namespace {

using namespace std::string_view_literals;

// The protocol's role names, by role number.
constexpr std::array roleNames{
    "invalid"sv,
    "accelerator label"sv,
    "alert"sv,
    "animation"sv,
    "arrow"sv,
    "calendar"sv,
    "canvas"sv,
    "check box"sv,
    "check menu item"sv,
    "color chooser"sv,
    "column header"sv,
    "combo box"sv,
    "date editor"sv,
    "desktop icon"sv,
    "desktop frame"sv,
    "dial"sv,
    "dialog"sv,
    "directory pane"sv,
    "drawing area"sv,
    "file chooser"sv,
    "filler"sv,
    "focus traversable"sv,
    "font chooser"sv,
    "frame"sv,
    "glass pane"sv,
    "html container"sv,
    "icon"sv,
    "image"sv,
    "internal frame"sv,
    "label"sv,
    "layered pane"sv,
    "list"sv,
    "list item"sv,
    "menu"sv,
    "menu bar"sv,
    "menu item"sv,
    "option pane"sv,
    "page tab"sv,
    "page tab list"sv,
    "panel"sv,
    "password text"sv,
    "popup menu"sv,
    "progress bar"sv,
    "push button"sv,
    "radio button"sv,
    "radio menu item"sv,
    "root pane"sv,
    "row header"sv,
    "scroll bar"sv,
    "scroll pane"sv,
    "separator"sv,
    "slider"sv,
    "spin button"sv,
    "split pane"sv,
    "status bar"sv,
    "table"sv,
    "table cell"sv,
    "table column header"sv,
    "table row header"sv,
    "tearoff menu item"sv,
    "terminal"sv,
    "text"sv,
    "toggle button"sv,
    "tool bar"sv,
    "tool tip"sv,
    "tree"sv,
    "tree table"sv,
    "unknown"sv,
    "viewport"sv,
    "window"sv,
    "extended"sv,
    "header"sv,
    "footer"sv,
    "paragraph"sv,
    "ruler"sv,
    "application"sv,
    "autocomplete"sv,
    "editbar"sv,
    "embedded"sv,
    "entry"sv,
    "chart"sv,
    "caption"sv,
    "document frame"sv,
    "heading"sv,
    "page"sv,
    "section"sv,
    "redundant object"sv,
    "form"sv,
    "link"sv,
    "input method window"sv,
    "table row"sv,
    "tree item"sv,
    "document spreadsheet"sv,
    "document presentation"sv,
    "document text"sv,
    "document web"sv,
    "document email"sv,
    "comment"sv,
    "list box"sv,
    "grouping"sv,
    "image map"sv,
    "notification"sv,
    "info bar"sv,
    "level bar"sv,
    "title bar"sv,
    "block quote"sv,
    "audio"sv,
    "video"sv,
    "definition"sv,
    "article"sv,
    "landmark"sv,
    "log"sv,
    "marquee"sv,
    "math"sv,
    "rating"sv,
    "timer"sv,
    "static"sv,
    "math fraction"sv,
    "math root"sv,
    "subscript"sv,
    "superscript"sv,
    "description list"sv,
    "description term"sv,
    "description value"sv,
    "footnote"sv,
    "content deletion"sv,
    "content insertion"sv,
    "mark"sv,
    "suggestion"sv,
    "push button menu"sv,
};

// A role with a counterpart that says it all: no subrole.
struct Counterpart {
    std::uint32_t atspiRole;
    std::string_view role;
    std::string_view subrole;
};

// Roles with a native counterpart; `subrole` "-" stands for the AT-SPI role's own name (the
// counterpart is a family, and the name says which member).
constexpr std::string_view ownName = "-";
constexpr std::array counterparts{
    Counterpart{43, "AXButton", ""},                     // push button
    Counterpart{129, "AXButton", ownName},               // push button menu
    Counterpart{7, "AXCheckBox", ""},                    // check box
    Counterpart{62, "AXCheckBox", "AXToggle"},           // toggle button
    Counterpart{44, "AXRadioButton", ""},                // radio button
    Counterpart{61, "AXTextField", ""},                  // text
    Counterpart{79, "AXTextField", ""},                  // entry
    Counterpart{40, "AXTextField", "AXSecureTextField"}, // password text
    Counterpart{23, "AXWindow", "AXStandardWindow"},     // frame
    Counterpart{16, "AXWindow", "AXDialog"},             // dialog
    Counterpart{69, "AXWindow", ownName},                // window
    Counterpart{29, "AXStaticText", ""},                 // label
    Counterpart{31, "AXList", ""},                       // list
    Counterpart{98, "AXList", ownName},                  // list box
    Counterpart{55, "AXTable", ""},                      // table
    Counterpart{65, "AXOutline", ""},                    // tree
    Counterpart{66, "AXOutline", ownName},               // tree table
    Counterpart{32, "AXRow", ""},                        // list item
    Counterpart{90, "AXRow", ownName},                   // table row
    Counterpart{91, "AXRow", ownName},                   // tree item
    Counterpart{56, "AXCell", ""},                       // table cell
    Counterpart{33, "AXMenu", ""},                       // menu
    Counterpart{41, "AXMenu", ownName},                  // popup menu
    Counterpart{34, "AXMenuBar", ""},                    // menu bar
    Counterpart{35, "AXMenuItem", ""},                   // menu item
    Counterpart{8, "AXMenuItem", ownName},               // check menu item
    Counterpart{45, "AXMenuItem", ownName},              // radio menu item
    Counterpart{59, "AXMenuItem", ownName},              // tearoff menu item
    Counterpart{11, "AXComboBox", ""},                   // combo box
    Counterpart{51, "AXSlider", ""},                     // slider
    Counterpart{48, "AXScrollBar", ""},                  // scroll bar
    Counterpart{88, "AXLink", ""},                       // link
    Counterpart{27, "AXImage", ""},                      // image
    Counterpart{26, "AXImage", ownName},                 // icon
    Counterpart{20, "AXGroup", ownName},                 // filler
    Counterpart{39, "AXGroup", ownName},                 // panel
    Counterpart{75, "AXApplication", ""},                // application
};

constexpr unsigned multiLineState = 17;

} // namespace

std::string_view atspiRoleName(std::uint32_t role) {
    return role < roleNames.size() ? roleNames[role] : std::string_view{};
}

bool dependsOnTopLevel(std::uint32_t role) {
    return role == atspi::role::alert || role == atspi::role::fileChooser ||
           role == atspi::role::colorChooser || role == atspi::role::fontChooser;
}

bool isWindowRole(std::uint32_t role, bool topLevel) {
    return role == atspi::role::frame || role == atspi::role::dialog ||
           role == atspi::role::window || (topLevel && dependsOnTopLevel(role));
}

bool isCheckableRole(std::uint32_t role) {
    return role == atspi::role::checkBox || role == atspi::role::toggleButton ||
           role == atspi::role::radioButton || role == atspi::role::checkMenuItem ||
           role == atspi::role::radioMenuItem;
}

MappedRole mapRole(std::uint32_t role, const StateSet& states, bool topLevel) {
    std::string name(atspiRoleName(role));
    if (topLevel && dependsOnTopLevel(role)) {
        return {"AXWindow", name};
    }
    for (const Counterpart& counterpart : counterparts) {
        if (counterpart.atspiRole != role) {
            continue;
        }
        MappedRole mapped{std::string(counterpart.role), std::string(counterpart.subrole)};
        if (counterpart.subrole == ownName) {
            mapped.subrole = name;
        }
        if (mapped.role == "AXTextField" && mapped.subrole.empty() && states.has(multiLineState)) {
            mapped.role = "AXTextArea";
        }
        return mapped;
    }
    return {"AXUnknown", name};
}

} // namespace orvel::linuxdesktop
