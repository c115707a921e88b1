#include "ops/config_reader.h"

#include <cstdio>
#include <cstring>

#include "common/fail.h"
#include "files/file_bytes.h"
#include "layout/item_table.h"
#include "layout/lookup.h"

namespace {

constexpr int end_of_file = -1;
constexpr std::size_t max_text = field_size - 1;
// A configuration of every item is a few kilobytes; anything past this is not one.
constexpr std::size_t max_config_bytes = 1024 * 1024;

bool is_line_end(int c) {
    return c == '\n' || c == '\r';
}

bool is_above_blank(int c) {
    return c >= 0x21 && c <= 0x7F;
}

// A line end, or the end of a file whose last line has none: both end a line.
bool ends_line(int c) {
    return is_line_end(c) || c == end_of_file;
}

// The file's bytes with one current character, read ahead.
class scanner {
  public:
    explicit scanner(const std::string& text) : text_(text) {}
    int current() const {
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : end_of_file;
    }
    int next() {
        if (pos_ < text_.size()) {
            ++pos_;
        }
        return current();
    }
    // Moves to the next line end (or the end of the file), leaving it current.
    void skip_to_line_end() {
        while (!ends_line(current())) {
            next();
        }
    }

  private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

// Text as the table sees it: cut at a zero byte.
std::string cut_at_zero(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// The item a key names, or -1: keys longer than any item name match nothing.
int matching_item(const std::string& key) {
    const std::string name = cut_at_zero(key);
    return name.size() <= max_text ? find_item_by_fieldname(name.c_str()) : -1;
}

void clear_value(const std::string& key) {
    const int index = matching_item(key);
    if (index >= 0) {
        std::memset(item[index].value, 0, field_size);
    }
}

// Appends to what the item holds, keeping at most 35 characters.
void append_value(const std::string& key, const std::string& value) {
    const int index = matching_item(key);
    if (index < 0) {
        return;
    }
    _item_info& entry = item[index];
    const std::string text = cut_at_zero(value);
    const std::size_t held = value_length(entry);
    const std::size_t room = max_text - held;
    std::memcpy(entry.value + held, text.data(), text.size() < room ? text.size() : room);
}

enum class value_end { line_end, full, refused };

// Reads the value of a key line, from its first character on. A value that ends because it is
// full leaves the rest of its line still to skip.
value_end read_config_value(scanner& in, std::string& value) {
    int c = in.current();
    for (;;) {
        if (c == '"') {
            c = in.next();
            if (ends_line(c)) {
                return value_end::line_end;
            }
        }
        value += static_cast<char>(c);
        c = in.next();
        if (c == ' ') {
            c = in.next();
            if (c == ' ') {
                c = in.next();
                if (is_above_blank(c)) {
                    return value_end::refused;
                }
                in.skip_to_line_end();
                return value_end::line_end;
            }
            if (value.size() < max_text) {
                value += ' ';
            }
        }
        if (ends_line(c)) {
            return value_end::line_end;
        }
        if (value.size() >= max_text) {
            return value_end::full;
        }
    }
}

// Reads one key line and applies it. Returns false, with the key, when its value is refused.
bool read_key_line(scanner& in, std::string& refused_key) {
    std::string key;
    int c = in.current();
    // Line ends do not stop a key: a line without "=" runs on into the next one.
    while (c != '=') {
        if (c == end_of_file) {
            return true;
        }
        key += static_cast<char>(c);
        c = in.next();
    }
    c = in.next();
    if (ends_line(c)) {
        in.next();
        clear_value(key);
        return true;
    }
    if (c == ' ') {
        while (!ends_line(c) && (!is_above_blank(c) || c == '"')) {
            c = in.next();
        }
        if (ends_line(c)) {
            clear_value(key); // the line end stays current and reads as an empty line
            return true;
        }
    }
    std::string value;
    const value_end end = read_config_value(in, value);
    if (end == value_end::refused) {
        refused_key = cut_at_zero(key);
        return false;
    }
    append_value(key, value);
    if (end == value_end::full) {
        in.skip_to_line_end();
        in.next();
    }
    return true;
}

} // namespace

bool apply_config_text(const std::string& text, std::string& refused_key) {
    scanner in(text);
    while (in.current() != end_of_file) {
        const int c = in.current();
        if (c == '[') {
            in.skip_to_line_end();
            in.next();
        } else if (is_line_end(c)) {
            in.next();
        } else if (c == ' ') {
            // Blanks in front of a key or a section line are ignored.
            int d = in.next();
            while (!ends_line(d) && !is_above_blank(d)) {
                d = in.next();
            }
            if (is_line_end(d)) {
                in.next();
            }
        } else if (!read_key_line(in, refused_key)) {
            return false;
        }
    }
    return true;
}

void ini_file_analysis() {
    // A FIFO or a device of that name is refused unopened: it would hang the run or be acted on.
    std::vector<uint8_t> bytes;
    if (read_regular_file(config_file_name, max_config_bytes, bytes) != file_read::done) {
        fail("Can not open ini file \"%s\".\n", config_file_name);
    }
    if (bytes.size() > max_config_bytes) {
        // A file that is no configuration.
        fail("Refusing \"%s\": larger than %zu bytes; nothing written.\n", config_file_name,
             max_config_bytes);
    }
    const std::string text(bytes.begin(), bytes.end());
    std::string refused_key;
    if (!apply_config_text(text, refused_key)) {
        // A key runs on over line ends until an "=": show no more of it than a name can hold.
        fail("\"%.*s\" has a incorrect value,two or more 'space' found,please check it.\n",
             static_cast<int>(max_text), refused_key.c_str());
    }
}
