#include "tests/support/map_checks.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Reads the exact text `word` at `at`.
bool Expect(std::string_view line, size_t& at, std::string_view word) {
    if (line.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
}

// Reads an optionally negative decimal integer of at most 18 digits.
bool ReadInteger(std::string_view line, size_t& at, int64_t& value) {
    bool negative = at < line.size() && line[at] == '-';
    size_t start = negative ? at + 1 : at;
    size_t end = start;
    value = 0;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9' && end - start < 18)
        value = value * 10 + (line[end++] - '0');
    if (end == start || (end < line.size() && line[end] >= '0' && line[end] <= '9')) return false;
    if (negative) value = -value;
    at = end;
    return true;
}

// Reads a number as "%f" writes it: digits, a point, six digits.
bool ReadFixed(std::string_view line, size_t& at) {
    int64_t whole;
    if (!ReadInteger(line, at, whole) || !Expect(line, at, ".")) return false;
    for (int i = 0; i < 6; i++) {
        if (at >= line.size() || line[at] < '0' || line[at] > '9') return false;
        at++;
    }
    return true;
}

struct Point {
    int64_t x, y, z;
};

bool Collinear(const Point& a, const Point& b, const Point& c) {
    // Coordinates stay far below 2^31, so the products fit in 64 bits.
    int64_t ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    int64_t vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    return uy * vz - uz * vy == 0 && uz * vx - ux * vz == 0 && ux * vy - uy * vx == 0;
}

// Checks one plane line; gives an empty text or the fault.
std::string CheckPlane(std::string_view line) {
    size_t at = 0;
    if (!Expect(line, at, "  ")) return "a plane line must begin with two blanks";
    Point points[3];
    for (Point& p : points) {
        int64_t* coordinates[3] = {&p.x, &p.y, &p.z};
        if (!Expect(line, at, "( ")) return "malformed point";
        for (int64_t* c : coordinates) {
            if (!ReadInteger(line, at, *c) || !Expect(line, at, " ")) return "malformed point";
        }
        if (!Expect(line, at, ") ")) return "malformed point";
    }
    // A material is one bare word Doom 3 reads as a name, or any text in quotes.
    if (at < line.size() && line[at] == '"') {
        const size_t closing = line.find('"', at + 1);
        if (closing == std::string_view::npos) return "unterminated material";
        for (size_t i = at + 1; i < closing; i++)
            if (static_cast<unsigned char>(line[i]) < ' ') return "control character in material";
        at = closing + 1;
    } else {
        const size_t material = at;
        while (at < line.size() && line[at] != ' ') at++;
        if (at == material) return "missing material";
        const std::string_view word = line.substr(material, at - material);
        if (!std::isalpha(static_cast<unsigned char>(word[0])) && word[0] != '_')
            return "material Doom 3 cannot read bare";
        for (char c : word)
            if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("_/\\:.", c))
                return "material Doom 3 cannot read bare";
    }
    int64_t x_offset, y_offset;
    if (!Expect(line, at, " ") || !ReadInteger(line, at, x_offset) || !Expect(line, at, " ") ||
        !ReadInteger(line, at, y_offset) || !Expect(line, at, " 0 ") || !ReadFixed(line, at) ||
        !Expect(line, at, " ") || !ReadFixed(line, at) || at != line.size())
        return "malformed texture offsets or scales";
    if (Collinear(points[0], points[1], points[2])) return "the three points are collinear";
    return "";
}

// Checks one key line; gives the key and value, or false.
bool ParseKeyLine(std::string_view line, std::string& key, std::string& value) {
    if (line.size() < 6 || line.substr(0, 2) != " \"") return false;
    size_t key_end = line.find('"', 2);
    if (key_end == std::string_view::npos || key_end == 2) return false;
    if (line.substr(key_end, 3) != "\"\t\"") return false;
    size_t value_start = key_end + 3;
    if (line.size() < value_start + 1 || line.back() != '"') return false;
    std::string_view value_text = line.substr(value_start, line.size() - 1 - value_start);
    if (value_text.find('"') != std::string_view::npos) return false;
    key = std::string(line.substr(2, key_end - 2));
    value = std::string(value_text);
    for (char c : key + value) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

}  // namespace

std::string MapCheckResult::Report() const {
    std::string text;
    for (size_t i = 0; i < problems.size() && i < 20; i++) text += problems[i] + "\n";
    if (problems.size() > 20) text += "... " + std::to_string(problems.size() - 20) + " more\n";
    for (size_t i = 0; i < open_brushes.size() && i < 20; i++)
        text += "line " + std::to_string(open_brushes[i]) + ": brush with fewer than 4 planes\n";
    if (open_brushes.size() > 20)
        text += "... " + std::to_string(open_brushes.size() - 20) + " more open brushes\n";
    return text;
}

MapCheckResult CheckMapText(const std::string& text) {
    MapCheckResult result;
    auto fault = [&result](int number, const std::string& what) {
        result.problems.push_back("line " + std::to_string(number) + ": " + what);
    };
    if (text.empty()) {
        result.problems.push_back("the file is empty");
        return result;
    }
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)
        result.problems.push_back("the file does not end with CR LF");

    enum class Depth { kOutside, kEntity, kBrush } depth = Depth::kOutside;
    int entity_line = 0, brush_line = 0;
    int brush_planes = 0;
    int classname_count = 0;
    bool entity_has_brush = false;
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        number++;
        size_t lf = text.find('\n', start);
        size_t end = lf == std::string::npos ? text.size() : lf;
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (lf == std::string::npos) {
            if (!line.empty()) fault(number, "the last line has no line end");
        } else if (line.empty() || line.back() != '\r') {
            fault(number, "LF without CR");
        } else {
            line.remove_suffix(1);
        }
        if (line.find('\r') != std::string_view::npos) fault(number, "CR without LF");

        switch (depth) {
            case Depth::kOutside:
                if (line == "{") {
                    depth = Depth::kEntity;
                    entity_line = number;
                    classname_count = 0;
                    entity_has_brush = false;
                    result.entities++;
                    result.classnames.push_back("");
                } else {
                    fault(number, "text outside an entity: '" + std::string(line) + "'");
                }
                break;
            case Depth::kEntity:
                if (line == "}") {
                    if (classname_count != 1)
                        fault(entity_line,
                              "entity with " + std::to_string(classname_count) + " classname keys");
                    depth = Depth::kOutside;
                } else if (line == " {") {
                    depth = Depth::kBrush;
                    brush_line = number;
                    brush_planes = 0;
                    entity_has_brush = true;
                    result.brushes++;
                } else {
                    std::string key, value;
                    if (!ParseKeyLine(line, key, value)) {
                        fault(number, "malformed key line: '" + std::string(line) + "'");
                    } else {
                        if (entity_has_brush) fault(number, "key line after a brush");
                        if (key == "classname") {
                            classname_count++;
                            result.classnames.back() = value;
                        }
                    }
                }
                break;
            case Depth::kBrush:
                if (line == " }") {
                    if (brush_planes < 4) result.open_brushes.push_back(brush_line);
                    depth = Depth::kEntity;
                } else {
                    std::string problem = CheckPlane(line);
                    if (!problem.empty()) fault(number, problem + ": '" + std::string(line) + "'");
                    brush_planes++;
                    result.planes++;
                }
                break;
        }
    }
    if (depth == Depth::kBrush) fault(brush_line, "brush not closed");
    if (depth != Depth::kOutside) fault(entity_line, "entity not closed");
    if (result.entities == 0) result.problems.push_back("no entity");
    return result;
}
