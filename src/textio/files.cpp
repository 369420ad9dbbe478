#include "textio/files.hpp"

#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/platform.hpp"

namespace {

constexpr std::size_t buffer_size = 8192;
constexpr char end_of_data_byte = 26;
constexpr std::size_t longest_line = std::numeric_limits<std::int32_t>::max();

struct Slot {
    bool open = false;
    FileMode mode = FileMode::input;
    platform::Handle handle = platform::no_handle;
    std::unique_ptr<char[]> buffer;
    // Input: buffer[next, filled) is still to be delivered; unread counts the
    // bytes of the file not yet in the buffer, up to its length at opening.
    std::size_t next = 0;
    std::size_t filled = 0;
    std::uint64_t unread = 0;
    bool ended = false;
    // Output: every byte written so far reached the file.
    bool intact = true;
};

std::array<Slot, file_slots + 1> table;  // index 0 unused: number 0 is the console

Slot* open_slot(std::int32_t number) {
    if (number < 1 || number > file_slots) return nullptr;
    Slot& slot = table[static_cast<std::size_t>(number)];
    return slot.open ? &slot : nullptr;
}

// Makes at least one byte available unless the data has ended.
bool refill(Slot& slot) {
    if (slot.next < slot.filled) return true;
    if (slot.ended) return false;
    slot.next = slot.filled = 0;
    const std::size_t wanted = slot.unread < buffer_size ? static_cast<std::size_t>(slot.unread) : buffer_size;
    const std::size_t got = wanted == 0 ? 0 : platform::read_some(slot.handle, slot.buffer.get(), wanted);
    slot.unread -= got;
    if (got == 0) {
        // A file that shrank or failed to read ends here, like one that ran out.
        slot.ended = true;
        return false;
    }
    slot.filled = got;
    return true;
}

void flush(Slot& slot) {
    if (slot.filled == 0) return;
    if (!platform::write_all(slot.handle, slot.buffer.get(), slot.filled)) slot.intact = false;
    slot.filled = 0;
}

void write_file(Slot& slot, const char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t room = buffer_size - slot.filled;
        const std::size_t part = size < room ? size : room;
        std::memcpy(slot.buffer.get() + slot.filled, data, part);
        slot.filled += part;
        data += part;
        size -= part;
        if (slot.filled == buffer_size) flush(slot);
    }
}

// Collects line bytes; once memory runs out or the line reaches the longest
// String, further bytes are counted out but dropped.
struct LineBuilder {
    String text;
    std::uint64_t expected;  // no line can be longer than what is left of the file
    bool failed = false;

    void add(const char* data, std::size_t size) {
        if (failed || size == 0) return;
        if (text.size() + size > longest_line) {
            size = longest_line - text.size();
        }
        try {
            if (text.size() + size > text.capacity()) {
                // Doubling would overshoot by up to the line's length; never
                // reserve more than the rest of the file can fill.
                std::uint64_t wanted = 2 * static_cast<std::uint64_t>(text.capacity());
                const std::uint64_t bound = text.size() + size + expected;
                if (wanted > bound) wanted = bound;
                if (wanted > longest_line) wanted = longest_line;
                if (wanted < text.size() + size) wanted = text.size() + size;
                text.reserve(static_cast<std::size_t>(wanted));
            }
            text.append(data, size);
        } catch (const std::bad_alloc&) {
            failed = true;
            String().swap(text);
        }
    }
};

}  // namespace

std::int32_t file_free_number() {
    for (std::int32_t number = 1; number <= file_slots; ++number) {
        if (!table[static_cast<std::size_t>(number)].open) return number;
    }
    return 0;
}

void file_open(const String& path, FileMode mode, std::int32_t number) {
    if (number < 1 || number > file_slots || open_slot(number) != nullptr) return;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[buffer_size]);
    if (!buffer) return;

    std::uint64_t length = 0;
    const platform::Handle handle =
        mode == FileMode::input ? platform::open_for_reading(path, length) : platform::create_for_writing(path);
    if (handle == platform::no_handle) return;

    Slot& slot = table[static_cast<std::size_t>(number)];
    slot = Slot();
    slot.open = true;
    slot.mode = mode;
    slot.handle = handle;
    slot.buffer = std::move(buffer);
    slot.unread = mode == FileMode::input ? length : 0;
}

void file_read_line(std::int32_t number, String& line) {
    Slot* slot = open_slot(number);
    if (slot == nullptr) return;
    if (slot->mode == FileMode::output || !refill(*slot)) {
        line.clear();
        return;
    }

    LineBuilder builder{String(), slot->unread};
    while (refill(*slot)) {
        const char* const data = slot->buffer.get();
        std::size_t stop = slot->next;
        while (stop < slot->filled && data[stop] != '\n' && data[stop] != '\r' && data[stop] != end_of_data_byte) {
            ++stop;
        }
        builder.expected = slot->unread + (slot->filled - stop);
        builder.add(data + slot->next, stop - slot->next);
        slot->next = stop;
        if (stop == slot->filled) continue;

        const char special = data[stop];
        ++slot->next;
        if (special == end_of_data_byte) {
            slot->ended = true;
            slot->next = slot->filled = 0;
            break;
        }
        if (special == '\n') break;
        // A CR followed by LF arrives as LF; any other CR stays in the line.
        if (refill(*slot) && slot->buffer[slot->next] == '\n') {
            ++slot->next;
            break;
        }
        builder.add("\r", 1);
    }

    // The line end goes, with one CR before it; a CR that ends the data goes too.
    if (!builder.text.empty() && builder.text.back() == '\r') builder.text.pop_back();
    line = std::move(builder.text);
}

void file_write(std::int32_t number, const String& text, LineEnd line_end) {
    static constexpr char crlf[] = "\r\n";
    if (number == console) {
        // One platform write per line: the text and its line end together.
        if (line_end == LineEnd::without) {
            platform::write_console(text.data(), text.size());
            return;
        }
        try {
            const String whole = text + crlf;
            platform::write_console(whole.data(), whole.size());
        } catch (const std::bad_alloc&) {
            platform::write_console(text.data(), text.size());
            platform::write_console(crlf, 2);
        }
        return;
    }
    Slot* slot = open_slot(number);
    if (slot == nullptr || slot->mode != FileMode::output) return;
    write_file(*slot, text.data(), text.size());
    if (line_end == LineEnd::with) write_file(*slot, crlf, 2);
}

bool file_close(std::int32_t number) {
    Slot* slot = open_slot(number);
    if (slot == nullptr) return false;
    if (slot->mode == FileMode::output) flush(*slot);
    const bool closed = platform::close_file(slot->handle);
    const bool intact = slot->intact && closed;
    *slot = Slot();
    return intact;
}

bool file_is_same(std::int32_t number, const String& path) {
    const Slot* slot = open_slot(number);
    return slot != nullptr && platform::is_same_file(slot->handle, path);
}

void file_close_all() {
    for (std::int32_t number = 1; number <= file_slots; ++number) file_close(number);
}
