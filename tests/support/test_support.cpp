#include "tests/support/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/brakt-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path = pattern;
    previous_dir = std::filesystem::current_path().string();
    std::filesystem::current_path(path);
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::current_path(previous_dir, error);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path, error);
}

void WadBuilder::Add(const std::string& name, const std::vector<uint8_t>& data) {
    lumps.push_back({name, data});
}

std::vector<uint8_t>& WadBuilder::Data(const std::string& name) {
    for (Lump& lump : lumps)
        if (lump.name == name) return lump.data;
    throw std::runtime_error("no lump " + name);
}

DirectoryFirstWad DirectoryFirst(const WadBuilder& wad) {
    DirectoryFirstWad out;
    PutName(out.bytes, wad.identification, 4);
    PutS32(out.bytes, static_cast<int32_t>(wad.lumps.size()));
    PutS32(out.bytes, 12);
    size_t at = 12 + 16 * wad.lumps.size();
    for (const auto& lump : wad.lumps) {
        PutS32(out.bytes, lump.data.empty() ? 0 : static_cast<int32_t>(at));
        PutS32(out.bytes, static_cast<int32_t>(lump.data.size()));
        PutName(out.bytes, lump.name);
        out.names.push_back(lump.name);
        out.offsets.push_back(at);
        out.sizes.push_back(lump.data.size());
        at += lump.data.size();
    }
    for (const auto& lump : wad.lumps)
        out.bytes.insert(out.bytes.end(), lump.data.begin(), lump.data.end());
    return out;
}

void SetS16(std::vector<uint8_t>& bytes, size_t at, int value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void SetS32(std::vector<uint8_t>& bytes, size_t at, int64_t value) {
    for (int i = 0; i < 4; i++) bytes[at + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

void PutS16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void PutS32(std::vector<uint8_t>& out, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}

void PutName(std::vector<uint8_t>& out, const std::string& name, size_t width) {
    for (size_t i = 0; i < width; i++) out.push_back(i < name.size() ? name[i] : 0);
}

std::vector<uint8_t> WadBuilder::Build() const {
    std::vector<uint8_t> out;
    PutName(out, identification, 4);
    PutS32(out, static_cast<int32_t>(lumps.size()));
    PutS32(out, 0);  // directory offset, patched below
    std::vector<int32_t> offsets;
    for (const Lump& lump : lumps) {
        offsets.push_back(static_cast<int32_t>(out.size()));
        out.insert(out.end(), lump.data.begin(), lump.data.end());
    }
    int32_t directory = static_cast<int32_t>(out.size());
    for (size_t i = 0; i < lumps.size(); i++) {
        PutS32(out, lumps[i].data.empty() ? 0 : offsets[i]);
        PutS32(out, static_cast<int32_t>(lumps[i].data.size()));
        PutName(out, lumps[i].name);
    }
    for (int i = 0; i < 4; i++) out[8 + i] = static_cast<uint8_t>(directory >> (8 * i));
    return out;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string ReadOpenFileText(FILE* file) {
    fflush(file);
    long end = ftell(file);
    std::string text(static_cast<size_t>(end), '\0');
    rewind(file);
    size_t got = fread(text.data(), 1, text.size(), file);
    text.resize(got);
    fseek(file, 0, SEEK_END);
    return text;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> SplitCrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     long file_size_limit) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = fork();
    if (child == 0) {
        dup2(pipe_fds[1], 1);
        dup2(pipe_fds[1], 2);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        int null_fd = open("/dev/null", O_RDONLY);
        if (null_fd >= 0) dup2(null_fd, 0);
        if (file_size_limit > 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {static_cast<rlim_t>(file_size_limit),
                                   static_cast<rlim_t>(file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    RunResult result{0, ""};
    char buffer[65536];
    ssize_t got;
    while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, got);
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

RunResult RunWithoutCrash(const std::string& program, const std::vector<std::string>& args,
                          long file_size_limit) {
    RunResult run = RunProgram(program, args, file_size_limit);
    EXPECT_LT(run.status, 128) << run.output;
    EXPECT_EQ(run.output.find("Sanitizer"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("runtime error"), std::string::npos) << run.output;
    return run;
}

void ExpectFails(const RunResult& run, int status, const std::string& message) {
    EXPECT_EQ(run.status, status) << run.output;
    bool ends =
        run.output.size() >= message.size() &&
        run.output.compare(run.output.size() - message.size(), message.size(), message) == 0;
    EXPECT_TRUE(ends) << "expected the output to end with: " << message << "\noutput:\n"
                      << run.output;
    // An error starts its own line, whatever was on screen before it.
    const size_t start = run.output.size() - std::min(run.output.size(), message.size());
    EXPECT_TRUE(start == 0 || run.output[start - 1] == '\n' || message[0] == '\n')
        << "the message does not start a line:\n"
        << run.output;
}

std::string GoldenPath(const std::string& file) {
    std::string path = std::string(GOLDEN_DIR) + "/" + file;
    return FileExists(path) ? path : std::string();
}

namespace {

// A map cut into units: each brush of the worldspawn is one, every other
// line another.
std::vector<std::string> MapUnits(const std::string& map) {
    std::vector<std::string> units;
    std::string brush;
    bool in_brush = false;
    for (size_t at = 0; at < map.size();) {
        size_t end = map.find("\r\n", at);
        end = end == std::string::npos ? map.size() : end + 2;
        const std::string line = map.substr(at, end - at);
        at = end;
        if (line == " {\r\n") in_brush = true;
        if (in_brush) {
            brush += line;
            if (line == " }\r\n") {
                units.push_back(brush);
                brush.clear();
                in_brush = false;
            }
        } else {
            units.push_back(line);
        }
    }
    if (!brush.empty()) units.push_back(brush);
    return units;
}

// Whether a unit is a floor or ceiling slab: its first two planes level.
bool IsSlab(const std::string& unit) {
    int x[6], y[6], z[6];
    char rest[64];
    const size_t second = unit.find("\r\n", 5);
    if (second == std::string::npos) return false;
    for (size_t at : {static_cast<size_t>(5), second + 2}) {
        if (std::sscanf(unit.c_str() + at, "  ( %d %d %d ) ( %d %d %d ) ( %d %d %d ) %63s", &x[0],
                        &y[0], &z[0], &x[1], &y[1], &z[1], &x[2], &y[2], &z[2], rest) != 10 ||
            z[0] != z[1] || z[1] != z[2])
            return false;
    }
    return true;
}

}  // namespace

MendedFloors SetMendedFloorsAside(const std::string& ours, const std::string& golden) {
    const std::vector<std::string> a = MapUnits(ours), b = MapUnits(golden);
    MendedFloors result;
    // Walks both in step; where they part, the nearest place where three
    // units agree again ends the stretch set aside.
    constexpr size_t kLookAhead = 400;
    auto agree = [&](size_t i, size_t j) {
        for (size_t k = 0; k < 3; k++) {
            if (i + k >= a.size() || j + k >= b.size())
                return i + k >= a.size() && j + k >= b.size();
            if (a[i + k] != b[j + k]) return false;
        }
        return true;
    };
    // Other lines that differ stay, for the caller's comparison to find.
    auto set_aside = [](const std::string& unit, std::string& kept, int& counter) {
        if (IsSlab(unit)) {
            counter++;
        } else {
            kept += unit;
        }
    };
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            result.ours += a[i++];
            result.golden += b[j++];
            continue;
        }
        size_t best_i = a.size(), best_j = b.size();
        for (size_t d = 1; d <= 2 * kLookAhead && best_i == a.size(); d++) {
            for (size_t di = 0; di <= d; di++) {
                if (di <= kLookAhead && d - di <= kLookAhead && agree(i + di, j + d - di)) {
                    best_i = i + di;
                    best_j = j + d - di;
                    break;
                }
            }
        }
        for (; i < best_i; i++) set_aside(a[i], result.ours, result.ours_only);
        for (; j < best_j; j++) set_aside(b[j], result.golden, result.golden_only);
    }
    return result;
}

std::string FreedoomPath(const std::string& file) {
    std::string path = "/usr/share/games/doom/" + file;
    return FileExists(path) ? path : std::string();
}

int LevelBuilder::AddVertex(int x, int y) {
    vertexes.push_back({x, y});
    return static_cast<int>(vertexes.size()) - 1;
}

int LevelBuilder::AddSector(const SectorSpec& sector) {
    sectors.push_back(sector);
    return static_cast<int>(sectors.size()) - 1;
}

int LevelBuilder::AddSide(const SideSpec& side) {
    sides.push_back(side);
    return static_cast<int>(sides.size()) - 1;
}

int LevelBuilder::AddLine(int v1, int v2, int front_sector, int back_sector, int special, int tag) {
    LineSpec line;
    line.v1 = v1;
    line.v2 = v2;
    line.special = special;
    line.tag = tag;
    SideSpec front;
    front.sector = front_sector;
    line.right = AddSide(front);
    if (back_sector >= 0) {
        SideSpec back;
        back.sector = back_sector;
        line.left = AddSide(back);
        line.flags = 4;  // two-sided
    } else {
        line.flags = 1;  // impassable
    }
    lines.push_back(line);
    return static_cast<int>(lines.size()) - 1;
}

void LevelBuilder::AddRoom(const std::vector<std::pair<int, int>>& points, int sector,
                           const std::string& middle) {
    std::vector<int> ids;
    for (auto [x, y] : points) ids.push_back(AddVertex(x, y));
    for (size_t i = 0; i < ids.size(); i++) {
        int line = AddLine(ids[i], ids[(i + 1) % ids.size()], sector);
        sides[lines[line].right].middle = middle;
    }
}

void LevelBuilder::AddTo(WadBuilder& wad, const std::string& level_name) const {
    std::vector<uint8_t> thing_bytes, vertex_bytes, side_bytes, line_bytes, sector_bytes;
    std::vector<uint8_t> seg_bytes, subsector_bytes, node_bytes;
    for (const ThingSpec& t : things) {
        for (int v : {t.x, t.y, t.angle, t.type, t.flags}) PutS16(thing_bytes, v);
    }
    for (auto [x, y] : vertexes) PutS16(vertex_bytes, x), PutS16(vertex_bytes, y);
    for (const SideSpec& s : sides) {
        PutS16(side_bytes, s.x_offset);
        PutS16(side_bytes, s.y_offset);
        PutName(side_bytes, s.upper);
        PutName(side_bytes, s.lower);
        PutName(side_bytes, s.middle);
        PutS16(side_bytes, s.sector);
    }
    int seg_count = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        const LineSpec& l = lines[i];
        for (int v : {l.v1, l.v2, l.flags, l.special, l.tag, l.right, l.left})
            PutS16(line_bytes, v);
        // Lines may name vertices that do not exist (tests of damaged levels).
        auto position = [&](int v) {
            return v >= 0 && v < static_cast<int>(vertexes.size()) ? vertexes[v]
                                                                   : std::pair<int, int>{0, 0};
        };
        auto [x1, y1] = position(l.v1);
        auto [x2, y2] = position(l.v2);
        double radians = std::atan2(static_cast<double>(y2 - y1), static_cast<double>(x2 - x1));
        int angle = static_cast<int>(radians * 32768.0 / 3.141592653589793) & 0xFFFF;
        for (int direction = 0; direction < (l.left >= 0 ? 2 : 1); direction++) {
            PutS16(seg_bytes, direction ? l.v2 : l.v1);
            PutS16(seg_bytes, direction ? l.v1 : l.v2);
            PutS16(seg_bytes, direction ? (angle + 0x8000) & 0xFFFF : angle);
            PutS16(seg_bytes, static_cast<int>(i));
            PutS16(seg_bytes, direction);
            PutS16(seg_bytes, 0);
            seg_count++;
        }
    }
    for (const SectorSpec& s : sectors) {
        PutS16(sector_bytes, s.floor);
        PutS16(sector_bytes, s.ceiling);
        PutName(sector_bytes, s.floor_texture);
        PutName(sector_bytes, s.ceiling_texture);
        PutS16(sector_bytes, s.light);
        PutS16(sector_bytes, s.special);
        PutS16(sector_bytes, s.tag);
    }
    PutS16(subsector_bytes, seg_count);
    PutS16(subsector_bytes, 0);
    for (const auto& node : raw_nodes)
        node_bytes.insert(node_bytes.end(), node.begin(), node.end());
    wad.Add(level_name);
    wad.Add("THINGS", thing_bytes);
    wad.Add("LINEDEFS", line_bytes);
    wad.Add("SIDEDEFS", side_bytes);
    wad.Add("VERTEXES", vertex_bytes);
    wad.Add("SEGS", seg_bytes);
    wad.Add("SSECTORS", subsector_bytes);
    wad.Add("NODES", node_bytes);
    wad.Add("SECTORS", sector_bytes);
    wad.Add("REJECT");
    wad.Add("BLOCKMAP");
}

std::vector<uint8_t> EmptyTexFile() {
    std::vector<uint8_t> bytes;
    PutName(bytes, "WAD2", 4);
    PutS32(bytes, 0);
    PutS32(bytes, 12);
    return bytes;
}

std::vector<uint8_t> TexFileOfSizes(const std::vector<std::tuple<std::string, int, int>>& textures,
                                    const std::string& magic) {
    std::vector<uint8_t> data;
    std::vector<uint8_t> directory;
    for (const auto& [name, width, height] : textures) {
        const int32_t offset = 12 + static_cast<int32_t>(data.size());
        PutName(data, name, 16);
        PutS32(data, width);
        PutS32(data, height);
        for (int i = 0; i < 4; i++) PutS32(data, 40);
        PutS32(directory, offset);
        PutS32(directory, 40);
        PutS32(directory, 40);
        directory.insert(directory.end(), {0x44, 0, 0, 0});
        PutName(directory, name, 16);
    }
    std::vector<uint8_t> file;
    PutName(file, magic, 4);
    PutS32(file, static_cast<int32_t>(textures.size()));
    PutS32(file, 12 + static_cast<int32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());
    file.insert(file.end(), directory.begin(), directory.end());
    return file;
}
