// Extended nodes ("XNOD", and "ZNOD" compressed with zlib): the node builder's
// own vertices, subsectors, segs and nodes in one lump, with 32-bit counts and
// indices. They are decoded into the same model as the plain SEGS, SSECTORS
// and NODES, so no later phase sees which format the level came in.
#include <zlib.h>

#include <cmath>
#include <cstdio>

#include "converter/level/level.h"
#include "formats/fatal.h"

namespace {

// Stops at a stream larger than any level a 32-bit index can address.
constexpr size_t kMaxInflatedSize = size_t{1} << 30;

// A position in the lump, and the count checks at each table.
struct NodeStream {
    ByteSpan bytes;  // the lump after its signature
    size_t at;       // offset of the next unread byte
};

uint32_t ReadCount(NodeStream& stream, const char* table) {
    if (stream.bytes.size() - stream.at < 4)
        Fatal(1, "ERROR: Extended NODES lump is damaged: it ends before its %s.\n", table);
    uint32_t count = LoadU32(stream.bytes, stream.at);
    stream.at += 4;
    return count;
}

// The span of `count` records of `size` bytes, checked against the lump's end.
ByteSpan ReadTable(NodeStream& stream, uint32_t count, size_t size, const char* table) {
    if (static_cast<uint64_t>(count) * size > stream.bytes.size() - stream.at) {
        Fatal(1, "ERROR: Extended NODES lump is damaged: its %u %s run past its end.\n", count,
              table);
    }
    ByteSpan span = stream.bytes.subspan(stream.at, count * size);
    stream.at += count * size;
    return span;
}

// A point in 16.16 fixed point, as the node builder keeps it.
struct FixedPoint {
    int64_t x;
    int64_t y;
};

// Binary angle of a direction, truncated the way node builders write it into
// plain SEGS, so that both formats give a line the same angle.
uint16_t BinaryAngle(double dx, double dy) {
    const double radians_to_angle = 1073741824.0 / 3.141592653589793;
    int32_t half_angle = static_cast<int32_t>(std::atan2(dy, dx) * radians_to_angle);
    return static_cast<uint16_t>((static_cast<uint32_t>(half_angle) << 1) >> 16);
}

}  // namespace

std::vector<uint8_t> Inflate(ByteSpan compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) Fatal(1, "ERROR: Compressed NODES lump: zlib failed.\n");
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<uint8_t> out;
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= kMaxInflatedSize) break;
        size_t done = out.size();
        out.resize(done + (done < 65536 ? 65536 : done));
        stream.next_out = out.data() + done;
        stream.avail_out = static_cast<uInt>(out.size() - done);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) {
        Fatal(1, "ERROR: Compressed NODES lump is damaged: it does not decompress (%s).\n",
              status == Z_OK          ? "too large"
              : status == Z_BUF_ERROR ? "cut short"
                                      : "bad data");
    }
    return out;
}

void DecodeExtendedNodes(ByteSpan bytes) {
    NodeStream stream{bytes, 0};

    // Vertices: indices below the original count are the level's own.
    uint32_t original_count = ReadCount(stream, "vertices");
    if (original_count > static_cast<uint32_t>(level.num_vertexes)) {
        Fatal(1,
              "ERROR: Extended NODES lump is damaged: it is built on %u vertices, VERTEXES holds "
              "%i.\n",
              original_count, level.num_vertexes);
    }
    uint32_t new_count = ReadCount(stream, "vertices");
    ByteSpan new_vertexes = ReadTable(stream, new_count, 8, "vertices");
    std::vector<FixedPoint> points(level.num_vertexes + static_cast<size_t>(new_count));
    for (int32_t i = 0; i < level.num_vertexes; i++)
        points[i] = {int64_t{level.vertexes[i].x} * 65536, int64_t{level.vertexes[i].y} * 65536};
    level.node_vertexes.resize(new_count);
    for (uint32_t i = 0; i < new_count; i++) {
        int32_t x = LoadS32(new_vertexes, 8 * i), y = LoadS32(new_vertexes, 8 * i + 4);
        points[level.num_vertexes + i] = {x, y};
        level.node_vertexes[i] = {static_cast<int16_t>(x >> 16), static_cast<int16_t>(y >> 16)};
    }

    uint32_t subsector_count = ReadCount(stream, "subsectors");
    ByteSpan subsectors = ReadTable(stream, subsector_count, 4, "subsectors");
    uint32_t seg_count = ReadCount(stream, "segs");
    ByteSpan segs = ReadTable(stream, seg_count, 11, "segs");
    uint32_t node_count = ReadCount(stream, "nodes");
    ByteSpan nodes = ReadTable(stream, node_count, 32, "nodes");

    // Subsectors hold their segs in order, one after the other.
    level.subsectors.resize(subsector_count);
    uint64_t first_seg = 0;
    for (uint32_t i = 0; i < subsector_count; i++) {
        uint32_t count = LoadU32(subsectors, 4 * i);
        if (count > seg_count - first_seg) {
            Fatal(1, "ERROR: SSECTORS record %u refers to seg %llu, which does not exist.\n", i,
                  static_cast<unsigned long long>(first_seg + count - 1));
        }
        level.subsectors[i] = {static_cast<int32_t>(count), static_cast<int32_t>(first_seg)};
        first_seg += count;
    }
    level.num_subsectors = static_cast<int32_t>(subsector_count);

    // Segs keep only their vertices and line: the angle comes from the line's
    // own vertices (the seg lies on the line; a split point rounded to the
    // fixed-point grid would tilt it), the offset from the seg's start to the
    // line's start (its end for a seg against the line), truncated to whole
    // units as the plain format stores it.
    level.segs.resize(seg_count);
    for (uint32_t i = 0; i < seg_count; i++) {
        ByteSpan record = segs.subspan(11 * static_cast<size_t>(i), 11);
        uint32_t file_vertexes[2] = {LoadU32(record, 0), LoadU32(record, 4)};
        int32_t vertexes[2];
        for (int end = 0; end < 2; end++) {
            uint32_t v = file_vertexes[end];
            if (v >= original_count && v - original_count >= new_count) {
                Fatal(1, "ERROR: SEGS record %u refers to vertex %u, which does not exist.\n", i,
                      v);
            }
            vertexes[end] = static_cast<int32_t>(
                v < original_count ? v : level.num_vertexes + (v - original_count));
        }
        Seg& seg = level.segs[i];
        seg = Seg{vertexes[0], vertexes[1], 0, LoadU16(record, 8), LoadU8(record, 10), 0};
        if (seg.linedef >= level.num_linedefs) continue;  // reported by the level's checks
        const LineDef& line = level.linedefs[seg.linedef];
        int32_t from = seg.direction == 0 ? line.start_vertex : line.end_vertex;
        int32_t to = seg.direction == 0 ? line.end_vertex : line.start_vertex;
        if (from >= level.num_vertexes || to >= level.num_vertexes) continue;  // likewise
        seg.angle = BinaryAngle(static_cast<double>(points[to].x - points[from].x),
                                static_cast<double>(points[to].y - points[from].y));
        double dx = static_cast<double>(points[vertexes[0]].x - points[from].x) / 65536.0;
        double dy = static_cast<double>(points[vertexes[0]].y - points[from].y) / 65536.0;
        seg.offset = static_cast<int32_t>(std::sqrt(dx * dx + dy * dy));
    }
    level.num_segs = static_cast<int32_t>(seg_count);

    level.nodes.resize(node_count);
    for (uint32_t i = 0; i < node_count; i++) {
        ByteSpan b = nodes.subspan(32 * static_cast<size_t>(i), 32);
        Node& node = level.nodes[i];
        DecodeNodeLine(b, node);
        node.right_child = LoadU32(b, 24);
        node.left_child = LoadU32(b, 28);
    }
    level.num_nodes = static_cast<int32_t>(node_count);
}
