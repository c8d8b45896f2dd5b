// Reading the names of a list file.
#include "list_names.hpp"

namespace pointsieve {

namespace {

// The next whitespace-separated word, cut at kLongestListName + 1 bytes.
bool next_word(std::FILE *list, std::string &word) {
    // The separators of formatted "%s" reads in the C locale.
    const auto is_space = [](int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    word.clear();
    int c;
    while ((c = std::getc(list)) != EOF && is_space(c)) {
    }
    if (c == EOF) return false;
    word.push_back(static_cast<char>(c));
    while (word.size() <= kLongestListName && (c = std::getc(list)) != EOF && !is_space(c))
        word.push_back(static_cast<char>(c));
    return true;
}

// Takes a byte-order mark off the first name of a list.
void drop_byte_order_mark(ListReading &list, std::string &name) {
    if (list.started) return;
    list.started = true;
    if (name.starts_with(kByteOrderMark)) name.erase(0, kByteOrderMark.size());
}

}  // namespace

bool next_list_name(ListReading &list, std::string &name) {
    if (!next_word(list.file, name)) return false;
    if (list.started) return true;
    drop_byte_order_mark(list, name);
    return !name.empty() || next_word(list.file, name);
}

bool next_list_line(ListReading &list, std::string &name) {
    for (;;) {
        name.clear();
        // Room for the longest name, its CR and, on the first line, a mark.
        const std::size_t most = kLongestListLine + 1 + (list.started ? 0 : kByteOrderMark.size());
        int c;
        while ((c = std::getc(list.file)) != EOF && c != '\n') {
            name.push_back(static_cast<char>(c));
            if (name.size() > most) break;
        }
        if (c == EOF && name.empty()) return false;
        ++list.line;
        drop_byte_order_mark(list, name);
        if (name.ends_with('\r')) name.pop_back();
        if (name.size() > kLongestListLine) {
            list.too_long = true;
            name.clear();
            return false;
        }
        if (name.find_first_not_of(" \t") != std::string::npos) return true;
    }
}

}  // namespace pointsieve
