// The .MAP file and its temporary entity file.
//
// Entity blocks that arise while the worldspawn entity is still open go to
// FENWOLD.TMP and are copied behind the worldspawn once it is closed.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "converter/output/brush.h"
#include "converter/output/output.h"
#include "formats/fatal.h"

MapWriter map_writer;
const char* const kEntityFileName = "FENWOLD.TMP";

void ResetMapWriter() {
    map_writer = MapWriter{};
    map_writer.map_file = nullptr;
    map_writer.entity_file = nullptr;
    map_writer.entity_target = nullptr;
    map_writer.check_brushes = true;
    ResetLeftOutReport();
    ForgetMaterialNames();
}

namespace {

const char* OutputName(FILE* file) {
    return file == map_writer.entity_file ? kEntityFileName : map_writer.map_file_name.c_str();
}

// The converter has one thread: its map text needs no stream locking.
void WriteOrFail(FILE* file, const char* data, size_t length) {
    if (fwrite_unlocked(data, 1, length, file) != length || ferror_unlocked(file))
        Fatal(1, "ERROR: Could not write '%s'\n", OutputName(file));
}

FILE* CurrentOutput() {
    return map_writer.entity_output ? map_writer.entity_file : map_writer.map_file;
}

// Writes the held entity block, unless it had brushes and lost them all.
void ReleaseEntity() {
    MapWriter& w = map_writer;
    if (!w.entity_held) return;
    w.entity_held = false;
    if (w.entity_left_out > 0 && w.entity_brushes == 0) return;
    WriteOrFail(w.entity_target, w.entity_text.data(), w.entity_text.size());
}

// True when the text goes into the held entity block rather than straight out.
bool HoldText(FILE* out, std::string_view text, std::string_view line_end) {
    MapWriter& w = map_writer;
    if (text == "{" && w.worldspawn_begun) {
        ReleaseEntity();
        w.entity_held = true;
        w.entity_target = out;
        w.entity_text.clear();
        w.entity_brushes = 0;
        w.entity_left_out = 0;
    }
    if (!w.entity_held || out != w.entity_target) return false;
    w.entity_text.append(text);
    w.entity_text.append(line_end);
    if (text == "}") ReleaseEntity();
    return true;
}

}  // namespace

void NoteEntityBrush(bool written) {
    MapWriter& w = map_writer;
    if (!w.entity_held || CurrentOutput() != w.entity_target) return;
    (written ? w.entity_brushes : w.entity_left_out)++;
}

void MapWriteEndedLine(std::string_view line) {
    FILE* out = CurrentOutput();
    if (HoldText(out, line, "")) return;
    WriteOrFail(out, line.data(), line.size());
}

void MapWriteLine(std::string_view text) {
    FILE* out = CurrentOutput();
    if (HoldText(out, text, "\r\n")) return;
    // A line and its end go out in one write; nearly every line fits.
    char joined[512];
    if (text.size() <= sizeof joined - 2) {
        std::copy(text.begin(), text.end(), joined);
        joined[text.size()] = '\r';
        joined[text.size() + 1] = '\n';
        WriteOrFail(out, joined, text.size() + 2);
        return;
    }
    WriteOrFail(out, text.data(), text.size());
    WriteOrFail(out, "\r\n", 2);
}

namespace {

// Formats the entity lines' usual directives, plain %i and %s, the way
// vsnprintf does; gives -1, having written nothing useful, for any other
// directive, a null string or a line longer than `size`.
int FormatKeyLine(char* out, size_t size, const char* format, va_list args) {
    char* at = out;
    char* const end = out + size;
    for (const char* f = format; *f; f++) {
        if (*f != '%') {
            if (at == end) return -1;
            *at++ = *f;
            continue;
        }
        f++;
        if (*f == 'i') {
            const std::to_chars_result put = std::to_chars(at, end, va_arg(args, int));
            if (put.ec != std::errc()) return -1;
            at = put.ptr;
        } else if (*f == 's') {
            const char* text = va_arg(args, const char*);
            if (!text) return -1;
            const size_t length = std::strlen(text);
            if (length > static_cast<size_t>(end - at)) return -1;
            at = std::copy(text, text + length, at);
        } else {
            return -1;
        }
    }
    return static_cast<int>(at - out);
}

}  // namespace

void MapPrintf(const char* format, ...) {
    // Braces and fixed keys, most of the entity text, need no formatting.
    if (!std::strchr(format, '%')) {
        MapWriteLine(format);
        return;
    }
    va_list args;
    va_start(args, format);
    // Nearly every line fits the stack buffer; longer ones are formatted again.
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int length = FormatKeyLine(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) {
        va_copy(copy, args);
        length = vsnprintf(small, sizeof small, format, copy);
        va_end(copy);
    }
    if (length >= 0 && static_cast<size_t>(length) < sizeof small) {
        MapWriteLine(std::string_view(small, static_cast<size_t>(length)));
    } else {
        MapWriteLine(FormatTextV(format, args));
    }
    va_end(args);
}

void SetEntityOutput(bool flag) {
    map_writer.entity_output = flag;
}

void CreateMapFile(const std::string& map_file_name) {
    map_writer.map_file_name = map_file_name;
    map_writer.map_file = fopen(map_file_name.c_str(), "w+b");
    if (!map_writer.map_file) Fatal(1, "ERROR: Could not create '%s'\n", map_file_name.c_str());
    map_writer.entity_file = fopen(kEntityFileName, "w+b");
    if (!map_writer.entity_file) Fatal(1, "ERROR: Could not create '%s'\n", kEntityFileName);
    static char map_buffer[1 << 16];
    setvbuf(map_writer.map_file, map_buffer, _IOFBF, sizeof map_buffer);
}

void BeginWorldspawn() {
    if (OptionSet(kOptBrushDef3)) MapPrintf("Version 2");
    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"worldspawn\"");
    MapPrintf(" \"no_stamina\"\t\"1\"");
    MapPrintf(" \"message\"\t\"brakt Version 1.3\"");
    map_writer.worldspawn_begun = true;
    printf("Created MAP File '%s'\n", map_writer.map_file_name.c_str());
}

void AppendEntityFile() {
    ReleaseEntity();
    FILE* entities = map_writer.entity_file;
    if (fflush(entities) != 0 || fseek(entities, 0, SEEK_SET) != 0)
        Fatal(1, "ERROR: Could not write '%s'\n", kEntityFileName);
    static char block[1 << 16];
    size_t got;
    while ((got = fread(block, 1, sizeof block, entities)) > 0)
        WriteOrFail(map_writer.map_file, block, got);
    if (ferror(entities)) Fatal(1, "ERROR: Could not write '%s'\n", kEntityFileName);
    fclose(entities);
    map_writer.entity_file = nullptr;
    remove(kEntityFileName);
}

void CloseMapFile() {
    ReleaseEntity();
    FILE* map = map_writer.map_file;
    map_writer.map_file = nullptr;
    if (map && (fflush(map) != 0 || ferror(map) || fclose(map) != 0))
        Fatal(1, "ERROR: Could not write '%s'\n", map_writer.map_file_name.c_str());
}
