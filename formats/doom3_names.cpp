#include "formats/doom3_names.h"

#include <cstdint>

namespace {

// Character classes of the name rule, one bit each.
constexpr uint8_t kStarts = 1;      // may begin a bare name
constexpr uint8_t kContinues = 2;   // may stand inside a bare name
constexpr uint8_t kUnquotable = 4;  // cannot stand inside quotes

struct CharClasses {
    uint8_t of[256];
    constexpr CharClasses() : of() {
        for (int c = 0; c < 256; c++) {
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
            const bool other =
                (c >= '0' && c <= '9') || c == '/' || c == '\\' || c == ':' || c == '.';
            of[c] = static_cast<uint8_t>((letter ? kStarts | kContinues : 0) |
                                         (other ? kContinues : 0) |
                                         (c == '"' || c < 0x20 || c == 0x7f ? kUnquotable : 0));
        }
    }
};

constexpr CharClasses kClasses;

uint8_t ClassOf(char c) {
    return kClasses.of[static_cast<unsigned char>(c)];
}

}  // namespace

NameForm ClassifyName(std::string_view name) {
    if (name.empty()) return NameForm::kQuoted;
    uint8_t all = kContinues;
    uint8_t any = 0;
    for (char c : name) {
        const uint8_t k = ClassOf(c);
        all &= k;
        any |= k;
    }
    if (any & kUnquotable) return NameForm::kUnquotable;
    return (all & kContinues) && (ClassOf(name[0]) & kStarts) ? NameForm::kBare : NameForm::kQuoted;
}

bool ReplaceUnquotable(std::string& name) {
    bool replaced = false;
    for (char& c : name) {
        if (ClassOf(c) & kUnquotable) {
            c = '_';
            replaced = true;
        }
    }
    return replaced;
}

std::string WrittenName(const std::string& name) {
    return ClassifyName(name) == NameForm::kBare ? name : "\"" + name + "\"";
}
