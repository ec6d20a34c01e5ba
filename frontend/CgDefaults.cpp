#include "frontend/CgDefaults.h"

#include <regex>

namespace Frontend {

namespace {

// The text outside every brace pair and without comments: only file-scope
// declarations remain, separated by their semicolons.
std::string fileScopeText(std::string_view source)
{
    std::string text;
    int depth = 0;
    for (size_t i = 0; i < source.size(); i++) {
        if (source.compare(i, 2, "//") == 0) {
            size_t end = source.find('\n', i);
            i = end == std::string_view::npos ? source.size() : end;
            text += '\n';
            continue;
        }
        if (source.compare(i, 2, "/*") == 0) {
            size_t end = source.find("*/", i + 2);
            i = end == std::string_view::npos ? source.size() : end + 1;
            text += ' ';
            continue;
        }
        char c = source[i];
        if (c == '{') {
            depth++;
            text += ';';  // a body ends whatever declaration came before it
        } else if (c == '}') {
            depth = depth > 0 ? depth - 1 : 0;
        } else if (depth == 0) {
            text += c;
        }
    }
    return text;
}

} // namespace

std::vector<CgDefault> findParameterDefaults(std::string_view source)
{
    static const std::regex declaration(
        R"((?:^|[;\n])\s*(?:uniform\s+)?(?:float|half|fixed)([1-4]?)\s+([A-Za-z_]\w*)\s*=\s*)"
        R"((?:(?:float|half|fixed)[1-4]?\s*\(([^)]*)\)|([-+0-9.eEfh]+))\s*;)");
    std::vector<CgDefault> defaults;
    std::string text = fileScopeText(source);
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
        const std::smatch& match = *it;
        CgDefault entry;
        entry.name = match[2].str();
        entry.count = match[1].length() ? std::stoi(match[1].str()) : 1;
        std::string values = match[3].matched ? match[3].str() : match[4].str();
        int filled = 0;
        size_t position = 0;
        while (filled < 4 && position < values.size()) {
            size_t comma = values.find(',', position);
            std::string item = values.substr(position, comma == std::string::npos ? std::string::npos : comma - position);
            try {
                entry.value[filled++] = std::stof(item);
            } catch (const std::exception&) {
                filled = -1;  // not a plain number: leave this parameter alone
                break;
            }
            position = comma == std::string::npos ? values.size() : comma + 1;
        }
        if (filled <= 0)
            continue;
        for (int i = filled; i < 4; i++)
            entry.value[i] = filled == 1 ? entry.value[0] : 0.0f;  // float4(1) fills every component
        defaults.push_back(entry);
    }
    return defaults;
}

} // namespace Frontend
