#include "platform/linux/atspi/ReplyReaders.hpp"

#include "platform/linux/atspi/BusError.hpp"

#include <cstdlib>
#include <cstring>

namespace orvel::linuxdesktop {

namespace {

// Runs `read` on the reply's message from its start; the answer is the general failure when
// the reply is not of the expected type.
template <class T, class Read> Answer<T> readReply(const Reply& reply, Read read) {
    if (!reply.ok()) {
        return {reply.status == 0 ? generalFailure : reply.status, T{}};
    }
    sd_bus_message* message = reply.message.get();
    if (sd_bus_message_rewind(message, 1) < 0) {
        return {generalFailure, T{}};
    }
    T value{};
    if (!read(message, value)) {
        return {generalFailure, T{}};
    }
    return {platform::ax::success, std::move(value)};
}

template <class T, class Read>
Answer<T> readVariant(const Reply& reply, const char* contents, Read read) {
    return readReply<T>(reply, [&](sd_bus_message* message, T& value) {
        if (sd_bus_message_enter_container(message, 'v', contents) <= 0) {
            return false;
        }
        return read(message, value);
    });
}

bool readText(sd_bus_message* message, std::string& value) {
    const char* text = nullptr;
    if (sd_bus_message_read(message, "s", &text) <= 0 || text == nullptr) {
        return false;
    }
    value = text;
    return true;
}

} // namespace

bool readObjectRefAt(sd_bus_message* message, ObjectRef& value) {
    const char* bus = nullptr;
    const char* path = nullptr;
    if (sd_bus_message_read(message, "(so)", &bus, &path) <= 0 || bus == nullptr ||
        path == nullptr) {
        return false;
    }
    value = ObjectRef{bus, path};
    return true;
}

bool readStringsAt(sd_bus_message* message, std::vector<std::string>& values) {
    char** strings = nullptr;
    if (sd_bus_message_read_strv(message, &strings) <= 0) {
        return false;
    }
    for (char** entry = strings; entry != nullptr && *entry != nullptr; ++entry) {
        values.emplace_back(*entry);
        free(*entry);
    }
    free(strings);
    return true;
}

bool readStatesAt(sd_bus_message* message, StateSet& states) {
    const void* words = nullptr;
    size_t size = 0;
    if (sd_bus_message_read_array(message, 'u', &words, &size) < 0) {
        return false;
    }
    std::vector<std::uint32_t> array(size / sizeof(std::uint32_t));
    if (!array.empty()) {
        std::memcpy(array.data(), words, array.size() * sizeof(std::uint32_t));
    }
    states = StateSet(array);
    return true;
}

Answer<std::uint32_t> readUint32(const Reply& reply) {
    return readReply<std::uint32_t>(reply, [](sd_bus_message* message, std::uint32_t& value) {
        return sd_bus_message_read(message, "u", &value) > 0;
    });
}

Answer<std::int32_t> readInt32(const Reply& reply) {
    return readReply<std::int32_t>(reply, [](sd_bus_message* message, std::int32_t& value) {
        return sd_bus_message_read(message, "i", &value) > 0;
    });
}

Answer<bool> readBool(const Reply& reply) {
    return readReply<bool>(reply, [](sd_bus_message* message, bool& value) {
        int flag = 0;
        if (sd_bus_message_read(message, "b", &flag) <= 0) {
            return false;
        }
        value = flag != 0;
        return true;
    });
}

Answer<std::string> readString(const Reply& reply) {
    return readReply<std::string>(reply, readText);
}

Answer<std::vector<std::string>> readStrings(const Reply& reply) {
    return readReply<std::vector<std::string>>(reply, readStringsAt);
}

Answer<StateSet> readStates(const Reply& reply) {
    return readReply<StateSet>(reply, readStatesAt);
}

Answer<ObjectRef> readObjectRef(const Reply& reply) {
    return readReply<ObjectRef>(reply, readObjectRefAt);
}

Answer<std::vector<ObjectRef>> readObjectRefs(const Reply& reply) {
    return readReply<std::vector<ObjectRef>>(
        reply, [](sd_bus_message* message, std::vector<ObjectRef>& values) {
            if (sd_bus_message_enter_container(message, 'a', "(so)") <= 0) {
                return false;
            }
            for (;;) {
                ObjectRef ref;
                const char* bus = nullptr;
                const char* path = nullptr;
                int read = sd_bus_message_read(message, "(so)", &bus, &path);
                if (read < 0) {
                    return false;
                }
                if (read == 0) {
                    return sd_bus_message_exit_container(message) >= 0;
                }
                values.push_back(ObjectRef{bus, path});
            }
        });
}

Answer<Extents> readExtents(const Reply& reply) {
    return readReply<Extents>(reply, [](sd_bus_message* message, Extents& value) {
        return sd_bus_message_read(message, "(iiii)", &value.x, &value.y, &value.width,
                                   &value.height) > 0;
    });
}

Answer<std::string> readVariantString(const Reply& reply) {
    return readVariant<std::string>(reply, "s", readText);
}

Answer<std::int32_t> readVariantInt32(const Reply& reply) {
    return readVariant<std::int32_t>(reply, "i", [](sd_bus_message* message, std::int32_t& value) {
        return sd_bus_message_read(message, "i", &value) > 0;
    });
}

Answer<double> readVariantDouble(const Reply& reply) {
    return readVariant<double>(reply, "d", [](sd_bus_message* message, double& value) {
        return sd_bus_message_read(message, "d", &value) > 0;
    });
}

Answer<bool> readVariantBool(const Reply& reply) {
    return readVariant<bool>(reply, "b", [](sd_bus_message* message, bool& value) {
        int flag = 0;
        if (sd_bus_message_read(message, "b", &flag) <= 0) {
            return false;
        }
        value = flag != 0;
        return true;
    });
}

Answer<ObjectRef> readVariantObjectRef(const Reply& reply) {
    return readVariant<ObjectRef>(reply, "(so)", readObjectRefAt);
}

} // namespace orvel::linuxdesktop
