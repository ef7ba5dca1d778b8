// The writer of the texture file: entries with their MIP levels, the
// directory kept in "~temp.hdr" until the end, and the final header.

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "extractor/extractor.h"
#include "formats/fatal.h"

TexFileWriter tex_writer{nullptr, nullptr, {}, 0, 0};

namespace {

struct AnimationName {
    const char* doom_name;  // name of the frame in the WAD
    const char* tex_name;   // "+<frame><base>", the frames of one animation share the base
};

constexpr AnimationName kAnimationNames[] = {
    {"BLOOD1", "+0BLOOD"},   {"BLOOD2", "+1BLOOD"},   {"BLOOD3", "+2BLOOD"},
    {"FWATER1", "+0FWATER"}, {"FWATER2", "+1FWATER"}, {"FWATER3", "+2FWATER"},
    {"FWATER4", "+3FWATER"}, {"LAVA1", "+0LAVA"},     {"LAVA2", "+1LAVA"},
    {"LAVA3", "+2LAVA"},     {"LAVA4", "+3LAVA"},     {"NUKAGE1", "+0NUKAGE"},
    {"NUKAGE2", "+1NUKAGE"}, {"NUKAGE3", "+2NUKAGE"}, {"BFALL1", "+0BFALL"},
    {"BFALL2", "+1BFALL"},   {"BFALL3", "+2BFALL"},   {"BLODRIP1", "+0BRIP"},
    {"BLODRIP2", "+1BRIP"},  {"BLODRIP3", "+2BRIP"},  {"BLODRIP4", "+3BRIP"},
    {"FIREMAG1", "+0FIREM"}, {"FIREMAG2", "+1FIREM"}, {"FIREMAG3", "+2FIREM"},
    {"FIREWALL", "+0FIREW"}, {"FIREWALA", "+1FIREW"}, {"FIREWALB", "+2FIREW"},
    {"SFALL1", "+0SFALL"},   {"SFALL2", "+1SFALL"},   {"SFALL3", "+2SFALL"},
    {"SFALL4", "+3SFALL"},
};

[[noreturn]] void TexWriteFailed() {
    Fatal(4, "ERROR: Could not write '%s'\n", extractor_settings.tex_file_name.c_str());
}

[[noreturn]] void DirectoryWriteFailed() {
    Fatal(5, "ERROR: Could not write '%s'\n", kTempDirectoryName);
}

void WriteDirectoryBytes(const std::vector<uint8_t>& bytes) {
    if (fwrite(bytes.data(), 1, bytes.size(), tex_writer.directory_file) != bytes.size())
        DirectoryWriteFailed();
}

void WriteHeader() {
    std::vector<uint8_t> bytes;
    EncodeWad2Header(tex_writer.header, bytes);
    if (fseek(tex_writer.tex_file, 0, SEEK_SET) != 0 ||
        fwrite(bytes.data(), 1, bytes.size(), tex_writer.tex_file) != bytes.size())
        TexWriteFailed();
}

// 16 zero bytes with the name copied over their start (at most 15 characters,
// so the field always ends in a zero byte).
void CopyName(char (&field)[16], const std::string& name) {
    memset(field, 0, sizeof field);
    memcpy(field, name.data(), std::min<size_t>(name.size(), 15));
}

int RoundUpTo16(int size) {
    return (size + 15) / 16 * 16;
}

BlockSum PackTexel(int index) {
    const uint8_t* colour = colour_tables.source_palette + 3 * index;
    return BlockSum{colour[0]} | BlockSum{colour[1]} << 16 | BlockSum{colour[2]} << 32 |
           BlockSum{colour_tables.is_key[index]} << 48;
}

// Sums of the 2 x 2 blocks of a w x h image of source palette indices, row
// after row, into `out`.
void SumTexelBlocks(const std::vector<uint8_t>& texels, size_t w, size_t h, BlockSum* out) {
    BlockSum packed[256];
    for (int i = 0; i < 256; i++) packed[i] = PackTexel(i);
    for (size_t y = 0; y < h; y += 2) {
        const uint8_t* top = texels.data() + y * w;
        const uint8_t* bottom = top + w;
        for (size_t x = 0; x < w; x += 2)
            *out++ =
                packed[top[x]] + packed[top[x + 1]] + packed[bottom[x]] + packed[bottom[x + 1]];
    }
}

// Sums of the 2 x 2 blocks of a w x h grid of block sums, into `out`.
void SumBlockSums(const BlockSum* blocks, size_t w, size_t h, BlockSum* out) {
    for (size_t y = 0; y < h; y += 2) {
        const BlockSum* top = blocks + y * w;
        const BlockSum* bottom = top + w;
        for (size_t x = 0; x < w; x += 2) *out++ = top[x] + top[x + 1] + bottom[x] + bottom[x + 1];
    }
}

}  // namespace

void ResetTexFileWriter() {
    DiscardPendingMipTextures();
    if (tex_writer.tex_file) fclose(tex_writer.tex_file);
    if (tex_writer.directory_file) fclose(tex_writer.directory_file);
    tex_writer = TexFileWriter{nullptr, nullptr, {{'W', 'A', 'D', '2'}, 0, 0}, 0, 0};
}

void CreateTexFile() {
    const std::string& name = extractor_settings.tex_file_name;
    tex_writer.tex_file = fopen(name.c_str(), "w+b");
    if (!tex_writer.tex_file) {
        CloseSourceWad();
        Fatal(4, "ERROR: Could not create '%s'\n", name.c_str());
    }
    tex_writer.directory_file = fopen(kTempDirectoryName, "w+b");
    if (!tex_writer.directory_file) {
        CloseSourceWad();
        Fatal(5, "ERROR: Could not create '%s'\n", kTempDirectoryName);
    }
    tex_writer.header = Wad2Header{{'W', 'A', 'D', '2'}, 0, 0};
    WriteHeader();
    tex_writer.write_position = kWad2HeaderSize;
    printf("Created '%s': %li Entries\n", name.c_str(),
           static_cast<long>(tex_writer.header.num_entries));
}

void AddDirEntry(const std::string& name, uint32_t length) {
    // Offsets in the file are 32-bit: a file that would outgrow them cannot
    // be written correctly.
    // Entries still in the making come first in the file.
    const uint64_t position = tex_writer.write_position + tex_writer.queued_bytes;
    if (position + length > UINT32_MAX) TexWriteFailed();
    tex_writer.header.num_entries++;
    Wad2DirEntry entry{};
    entry.file_offset = static_cast<uint32_t>(position);
    entry.disk_size = length;
    entry.size = length;
    entry.type = name == "PALETTE" ? kWad2TypePalette : kWad2TypeMipTex;
    entry.compression = 0;
    entry.pad = 0;
    CopyName(entry.name, name);
    std::vector<uint8_t> bytes;
    EncodeWad2DirEntry(entry, bytes);
    WriteDirectoryBytes(bytes);
}

void WriteTexData(const uint8_t* data, size_t length) {
    if (fwrite(data, 1, length, tex_writer.tex_file) != length) TexWriteFailed();
    tex_writer.write_position += length;
}

uint32_t MipTextureLength(uint32_t width, uint32_t height) {
    uint32_t length = kMipTexHeaderSize;
    for (uint32_t step = 1; step <= 8; step *= 2) length += (width / step) * (height / step);
    return length;
}

void MapAnimationName(std::string& name) {
    for (const AnimationName& row : kAnimationNames) {
        if (name == row.doom_name) {
            name = row.tex_name;
            return;
        }
    }
}

namespace {

// One texture on its way into the file: its composed texels in, the bytes of
// its entry out.
struct MipJob {
    std::vector<uint8_t> texels;  // width x height source palette indices
    int width = 0;                // size of the composed texture
    int height = 0;
    std::string name;                     // the entry's name
    uint32_t length = 0;                  // bytes of the entry
    std::unique_ptr<uint8_t[]> entry;     // the entry's bytes once made
    size_t entry_capacity = 0;            // bytes allocated at entry
    std::exception_ptr failure;           // what stopped the making, if anything
    bool compose = false;                 // true: texels are drawn from the patches first
    std::vector<PatchPlacement> patches;  // the patches to draw, in order
    bool taken = false;                   // a worker has begun it
    bool made = false;                    // its entry is made (or failed, or dropped)
    bool doom3 = false;                   // true: its Doom 3 image is written too
    Doom3Image doom3_image;               // the image's material and file
    bool see_through = false;             // the image has transparent texels
};

// Buffers kept from texture to texture are let go when a large texture has
// grown them past this, so that one large texture does not hold its memory
// for the rest of the run.
constexpr size_t kMostKeptBufferBytes = size_t{8} << 20;

template <typename T>
void ReleaseIfLarge(std::vector<T>& buffer) {
    if (buffer.capacity() * sizeof(T) > kMostKeptBufferBytes) std::vector<T>().swap(buffer);
}

void ReleaseLargeBuffers(MipJob& job) {
    ReleaseIfLarge(job.texels);
    if (job.entry_capacity > kMostKeptBufferBytes) {
        job.entry.reset();
        job.entry_capacity = 0;
    }
}

// Makes the bytes of a job's entry: header, the texture tiled to a multiple
// of 16 and its three smaller levels.
void MakeMipEntry(MipJob& job) {
    const int width = job.width;
    const int height = job.height;
    if (job.doom3) {
        job.see_through = false;
        if (job.compose) {
            job.see_through =
                WriteComposedDoom3Image(job.doom3_image.path, width, height, job.patches);
        } else {
            WriteFlatDoom3Image(job.doom3_image.path, width, height, job.texels);
        }
    }
    if (job.compose) {
        job.texels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        for (const PatchPlacement& patch : job.patches)
            DrawPatch(job.texels.data(), patch.x, patch.y, patch.picture, width, height);
        job.patches.clear();
    }
    const int tiled_width = RoundUpTo16(width);
    const int tiled_height = RoundUpTo16(height);
    const size_t w = static_cast<size_t>(tiled_width);
    const size_t h = static_cast<size_t>(tiled_height);

    // The texture repeated from its left and top edges to a multiple of 16;
    // most textures have such sizes already and are used as they are. Each
    // worker keeps its buffers from texture to texture.
    thread_local std::vector<uint8_t> tiled_buffer;
    const std::vector<uint8_t>* source = &job.texels;
    if (w != static_cast<size_t>(width) || h != static_cast<size_t>(height)) {
        tiled_buffer.resize(w * h);
        for (size_t y = 0; y < h; y++) {
            const uint8_t* from = job.texels.data() + (y % height) * static_cast<size_t>(width);
            uint8_t* row = tiled_buffer.data() + y * w;
            // The row, then its own start copied on as far as the tiled width.
            const size_t first = std::min(w, static_cast<size_t>(width));
            std::copy(from, from + first, row);
            for (size_t x = first; x < w; x += first)
                std::copy(row, row + std::min(first, w - x), row + x);
        }
        source = &tiled_buffer;
    }
    const std::vector<uint8_t>& tiled = *source;

    MipTexHeader header{};
    CopyName(header.name, job.name);
    header.width = tiled_width;
    header.height = tiled_height;
    uint32_t offset = kMipTexHeaderSize;
    for (int level = 0; level < 4; level++) {
        header.mip_offsets[level] = offset;
        offset += static_cast<uint32_t>((w >> level) * (h >> level));
    }
    // The entry's bytes, every one of them written below; the buffer only grows.
    if (job.entry_capacity < job.length) {
        job.entry.reset(new uint8_t[job.length]);
        job.entry_capacity = job.length;
    }
    std::vector<uint8_t> header_bytes;
    EncodeMipTexHeader(header, header_bytes);
    std::copy(header_bytes.begin(), header_bytes.end(), job.entry.get());
    uint8_t* out = job.entry.get() + kMipTexHeaderSize;
    const uint16_t* trans = colour_tables.TransPal;
    bool identity = true;
    for (int i = 0; i < 256; i++) identity = identity && trans[i] == i;
    if (identity) {
        out = std::copy(tiled.begin(), tiled.end(), out);
    } else {
        for (uint8_t texel : tiled) *out++ = static_cast<uint8_t>(trans[texel]);
    }

    if (extractor_settings.mode_flags & kModePointSample) {
        for (size_t step = 2; step <= 8; step *= 2) {
            for (size_t y = 0; y < h; y += step)
                for (size_t x = 0; x < w; x += step)
                    *out++ = static_cast<uint8_t>(trans[tiled[y * w + x]]);
        }
    } else {
        // Each level's blocks are the 2 x 2 blocks of the level above, so
        // their colour sums add up from the level above: the same sums as
        // adding all s x s texels of the block. The buffers only grow, so
        // that no texture pays for clearing them.
        thread_local std::vector<BlockSum> sums;  // levels 1 and 3
        thread_local std::vector<BlockSum> next;  // level 2
        const size_t blocks = (w / 2) * (h / 2);
        if (sums.size() < blocks) sums.resize(blocks);
        if (next.size() < blocks / 4) next.resize(blocks / 4);
        SumTexelBlocks(tiled, w, h, sums.data());
        MatchBlockColours(sums.data(), blocks, 2, out);
        out += blocks;
        SumBlockSums(sums.data(), w / 2, h / 2, next.data());
        MatchBlockColours(next.data(), blocks / 4, 4, out);
        out += blocks / 4;
        SumBlockSums(next.data(), w / 4, h / 4, sums.data());
        MatchBlockColours(sums.data(), blocks / 16, 6, out);
        ReleaseIfLarge(sums);
        ReleaseIfLarge(next);
    }
    ReleaseIfLarge(tiled_buffer);
}

// The entries are made on a worker thread while the next textures are read:
// drawing the patches and making the smaller levels (colour matching above
// all) is most of the extractor's work. When a handful of textures wait, the
// reading thread makes the next one itself instead of waiting. The entries are
// written in the order of their directory entries, so the file is the same
// byte for byte. Without a worker (a system that refuses the thread) the
// reading thread makes every entry itself.
struct MipPipeline {
    std::vector<std::thread> threads;            // started with the first job
    bool no_threads = false;                     // true: starting a thread failed
    std::mutex mutex;                            // guards everything below
    std::condition_variable work;                // a job is waiting, or the end has come
    std::condition_variable done;                // a job is made
    std::deque<std::unique_ptr<MipJob>> queue;   // jobs handed over, in file order
    int idle_workers = 0;                        // workers waiting for a job
    bool writer_waiting = false;                 // the writing thread waits for a job
    bool cancel = false;                         // true: the jobs left are dropped unmade
    bool stopping = false;                       // true: the threads are to end
    std::vector<std::unique_ptr<MipJob>> spare;  // written jobs, kept for their buffers

    ~MipPipeline() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        work.notify_all();
        for (std::thread& thread : threads) thread.join();
    }
};

MipPipeline mip_pipeline;

// A handful of textures ahead keeps both threads busy; a cap on the bytes
// keeps a few huge textures from piling up in memory.
constexpr size_t kMaxQueuedJobs = 16;
constexpr uint64_t kMaxQueuedBytes = uint64_t{32} << 20;
// One worker: with the reading thread, which helps, it keeps two cores busy.
constexpr size_t kMipWorkers = 1;

// The first job of the queue no worker has taken, or null.
MipJob* NextJob() {
    for (const std::unique_ptr<MipJob>& job : mip_pipeline.queue)
        if (!job->taken) return job.get();
    return nullptr;
}

// Makes a job no thread has taken yet; `lock` holds the pipeline's mutex and
// is let go while the job is made.
void MakeTakenJob(MipJob& job, std::unique_lock<std::mutex>& lock) {
    MipPipeline& pipe = mip_pipeline;
    job.taken = true;
    if (!pipe.cancel) {
        lock.unlock();
        try {
            MakeMipEntry(job);
        } catch (...) {
            job.failure = std::current_exception();
        }
        lock.lock();
    }
    job.made = true;
    // Waking a thread costs a system call: only a waiting writer is woken.
    if (pipe.writer_waiting) pipe.done.notify_one();
}

void RunMipWorker() {
    MipPipeline& pipe = mip_pipeline;
    std::unique_lock<std::mutex> lock(pipe.mutex);
    for (;;) {
        MipJob* job = nullptr;
        pipe.idle_workers++;
        pipe.work.wait(lock, [&] { return (job = NextJob()) != nullptr || pipe.stopping; });
        pipe.idle_workers--;
        if (pipe.stopping) return;
        MakeTakenJob(*job, lock);
    }
}

// Writes the made jobs at the front of the queue; waits first, while the
// queue holds more than `most_left` jobs, for its front job to be made.
void WriteMadeJobs(size_t most_left) {
    MipPipeline& pipe = mip_pipeline;
    std::unique_lock<std::mutex> lock(pipe.mutex);
    for (;;) {
        if (pipe.queue.empty()) return;
        if (!pipe.queue.front()->made) {
            if (pipe.queue.size() <= most_left && tex_writer.queued_bytes <= kMaxQueuedBytes)
                return;
            // Rather than wait, the writer makes a job itself while there is one.
            if (MipJob* job = NextJob()) {
                MakeTakenJob(*job, lock);
                continue;
            }
            pipe.writer_waiting = true;
            pipe.done.wait(lock, [&] { return pipe.queue.front()->made; });
            pipe.writer_waiting = false;
        }
        std::unique_ptr<MipJob> job = std::move(pipe.queue.front());
        pipe.queue.pop_front();
        lock.unlock();
        tex_writer.queued_bytes -= job->length;
        if (job->failure) std::rethrow_exception(std::exchange(job->failure, nullptr));
        WriteTexData(job->entry.get(), job->length);
        if (job->doom3) AddDoom3Material(job->doom3_image, job->see_through);
        ReleaseLargeBuffers(*job);
        lock.lock();
        pipe.spare.push_back(std::move(job));
    }
}

}  // namespace

void WritePendingMipTextures() {
    WriteMadeJobs(0);
}

void DiscardPendingMipTextures() {
    MipPipeline& pipe = mip_pipeline;
    std::unique_lock<std::mutex> lock(pipe.mutex);
    pipe.cancel = true;
    pipe.writer_waiting = true;
    pipe.done.wait(lock, [&] {
        for (const std::unique_ptr<MipJob>& job : pipe.queue)
            if (!job->made) return false;
        return true;
    });
    pipe.writer_waiting = false;
    pipe.queue.clear();
    pipe.spare.clear();
    pipe.cancel = false;
    tex_writer.queued_bytes = 0;
}

namespace {

// Hands a texture to the workers: its directory entry is written now, its
// bytes once made. `fill` gives the job its texels or patches.
template <typename Fill>
void QueueMipJob(std::string name, int width, int height, Fill fill) {
    // The Doom 3 image keeps the Doom name, which the maps write.
    Doom3Image image;
    const bool doom3 = extractor_settings.doom3 && ChooseDoom3Image(name, image);
    MapAnimationName(name);
    const uint32_t length = MipTextureLength(RoundUpTo16(width), RoundUpTo16(height));
    AddDirEntry(name, length);

    MipPipeline& pipe = mip_pipeline;
    std::unique_ptr<MipJob> job;
    {
        std::lock_guard<std::mutex> lock(pipe.mutex);
        if (!pipe.spare.empty()) {
            job = std::move(pipe.spare.back());
            pipe.spare.pop_back();
        }
    }
    if (!job) job = std::make_unique<MipJob>();
    fill(*job);
    job->width = width;
    job->height = height;
    job->name = name;
    job->length = length;
    job->failure = nullptr;
    job->taken = false;
    job->made = false;
    job->doom3 = doom3;
    job->doom3_image = std::move(image);
    tex_writer.queued_bytes += length;
    {
        std::lock_guard<std::mutex> lock(pipe.mutex);
        while (pipe.threads.size() < kMipWorkers && !pipe.no_threads) {
            try {
                pipe.threads.emplace_back(RunMipWorker);
            } catch (const std::system_error&) {
                pipe.no_threads = true;
            }
        }
        pipe.queue.push_back(std::move(job));
        if (pipe.idle_workers > 0) pipe.work.notify_one();
    }
    WriteMadeJobs(kMaxQueuedJobs);
}

}  // namespace

void WriteMipTexture(std::string name, int width, int height) {
    QueueMipJob(std::move(name), width, height, [](MipJob& job) {
        job.compose = false;
        job.texels.swap(canvas.texels);  // the canvas is filled anew for each texture
    });
}

void WriteComposedTexture(std::string name, int width, int height,
                          std::vector<PatchPlacement> patches) {
    QueueMipJob(std::move(name), width, height, [&](MipJob& job) {
        job.compose = true;
        job.patches = std::move(patches);
    });
}

void CopyFileBytes(FILE* from, FILE* to, uint64_t n) {
    uint8_t buffer[2000];
    while (n > 0) {
        size_t k = n < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer;
        if (fread(buffer, 1, k, from) != k) DirectoryWriteFailed();
        if (fwrite(buffer, 1, k, to) != k) TexWriteFailed();
        n -= k;
    }
}

void FinishTexFile() {
    WritePendingMipTextures();
    tex_writer.header.directory_offset = static_cast<uint32_t>(tex_writer.write_position);
    if (fflush(tex_writer.directory_file) != 0) DirectoryWriteFailed();
    if (fseek(tex_writer.directory_file, 0, SEEK_SET) != 0) DirectoryWriteFailed();
    if (fseek(tex_writer.tex_file, 0, SEEK_END) != 0) TexWriteFailed();
    CopyFileBytes(tex_writer.directory_file, tex_writer.tex_file,
                  uint64_t{tex_writer.header.num_entries} * kWad2DirEntrySize);
    WriteHeader();

    FILE* tex_file = tex_writer.tex_file;
    FILE* directory_file = tex_writer.directory_file;
    tex_writer.tex_file = nullptr;
    tex_writer.directory_file = nullptr;
    bool tex_ok = fclose(tex_file) == 0;
    fclose(directory_file);
    if (!tex_ok) TexWriteFailed();
    remove(kTempDirectoryName);
}
