#include "formats/fatal.h"

#include <cstdarg>
#include <cstdio>

std::string FormatTextV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int length = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

void Fatal(int status, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    throw FatalError{status, text};
}

namespace {
bool progress_line_open = false;
}

void SetProgressLineOpen(bool open) {
    progress_line_open = open;
}

void EndProgressLine() {
    if (!progress_line_open) return;
    progress_line_open = false;
    fputs("\n", stdout);
}
