#include "platform/linux/x11/WindowProperties.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <memory>

namespace orvel::linuxdesktop {

namespace {

// Large enough for any title or client list, bounded so that a hostile property cannot make
// the server send us megabytes.
constexpr long maximumLongs = 65536;

struct XFreeDeleter {
    void operator()(unsigned char* data) const {
        if (data != nullptr) {
            XFree(data);
        }
    }
};

struct Property {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    std::unique_ptr<unsigned char, XFreeDeleter> data;
};

std::optional<Property> readProperty(Display* display, Window window, Atom property,
                                     Atom requestedType) {
    Property result;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, window, property, 0, maximumLongs, False, requestedType,
                           &result.type, &result.format, &result.count, &remaining, &data);
    result.data.reset(data);
    if (status != Success || result.type == None || result.data == nullptr) {
        return std::nullopt;
    }
    if (requestedType != AnyPropertyType && result.type != requestedType) {
        return std::nullopt;
    }
    return result;
}

std::string latin1ToUtf8(const unsigned char* text, unsigned long length) {
    std::string utf8;
    utf8.reserve(length);
    for (unsigned long i = 0; i < length; ++i) {
        const unsigned char c = text[i];
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return utf8;
}

std::optional<std::string> convertedByXlib(Display* display, const Property& property) {
    XTextProperty text{property.data.get(), property.type, property.format, property.count};
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) < Success || list == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (count > 0 && list[0] != nullptr) {
        result = std::string(list[0]);
    }
    XFreeStringList(list);
    return result;
}

} // namespace

std::optional<std::vector<unsigned long>> readLongs(Display* display, Window window, Atom property,
                                                    Atom type) {
    auto value = readProperty(display, window, property, type);
    if (!value || value->format != 32) {
        return std::nullopt;
    }
    // Xlib hands 32-bit items over as longs, whatever the width of a long.
    const auto* items = reinterpret_cast<const unsigned long*>(value->data.get());
    return std::vector<unsigned long>(items, items + value->count);
}

std::optional<unsigned long> readLong(Display* display, Window window, Atom property, Atom type) {
    auto values = readLongs(display, window, property, type);
    if (!values || values->empty()) {
        return std::nullopt;
    }
    return values->front();
}

std::optional<std::string> readBytes(Display* display, Window window, Atom property, Atom type) {
    auto value = readProperty(display, window, property, type);
    if (!value || value->format != 8) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(value->data.get()), value->count);
}

std::optional<std::string> readText(Display* display, Window window, Atom property,
                                    Atom utf8String) {
    auto value = readProperty(display, window, property, AnyPropertyType);
    if (!value || value->format != 8) {
        return std::nullopt;
    }
    if (value->type == utf8String) {
        return std::string(reinterpret_cast<const char*>(value->data.get()), value->count);
    }
    if (value->type == XA_STRING) {
        return latin1ToUtf8(value->data.get(), value->count);
    }
    return convertedByXlib(display, *value);
}

} // namespace orvel::linuxdesktop
