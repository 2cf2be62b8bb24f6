#include "engine/text_wrap.h"

// Greedy word wrap of one paragraph; a word longer than a line is cut.
static void wrapParagraph(const std::string& paragraph, const FontData& font, float scale,
                          float limit, std::vector<std::string>& lines) {
    std::string line;
    size_t start = 0;
    while (start <= paragraph.size()) {
        size_t space = paragraph.find(' ', start);
        if (space == std::string::npos) space = paragraph.size();
        std::string word = paragraph.substr(start, space - start);
        start = space + 1;
        std::string joined = line.empty() ? word : line + " " + word;
        if (printedWidth(font, joined, scale) < limit) {
            line = joined;
            continue;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
        for (char c : word) {
            // A UTF-8 continuation byte stays with the character it belongs to.
            bool continuation = (static_cast<unsigned char>(c) & 0xc0) == 0x80;
            if (!continuation && !line.empty() && printedWidth(font, line + c, scale) >= limit) {
                lines.push_back(line);
                line.clear();
            }
            line += c;
        }
    }
    lines.push_back(line);
}

std::vector<std::string> wrapText(const std::string& text, const FontData& font, float scale,
                                  float width, float margin) {
    std::vector<std::string> lines;
    float limit = width - 2 * margin;
    size_t start = 0;
    while (start <= text.size()) {
        size_t feed = text.find('\n', start);
        if (feed == std::string::npos) feed = text.size();
        std::string paragraph = text.substr(start, feed - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        wrapParagraph(paragraph, font, scale, limit, lines);
        start = feed + 1;
    }
    return lines;
}
