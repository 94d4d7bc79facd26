#pragma once
// ForEachTextLine: walks text line by line without copying, for the file
// readers. "\n" and "\r\n" end a line alike; a last line needs no newline.

#include <string>
#include <string_view>

template <typename LineFn>
void ForEachTextLine(const std::string& text, LineFn fn) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string_view line(text.data() + pos, nl - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        fn(line);
        pos = nl + 1;
    }
}
