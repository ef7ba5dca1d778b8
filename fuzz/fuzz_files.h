// Small file helpers shared by the fuzz targets and their regression tests.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Writes `size` bytes to `path` in the current directory, replacing it.
inline void WriteFuzzFile(const char* path, const uint8_t* data, size_t size) {
    FILE* file = fopen(path, "wb");
    if (!file) abort();
    if (size > 0 && fwrite(data, 1, size, file) != size) abort();
    if (fclose(file) != 0) abort();
}

inline void WriteFuzzFile(const char* path, const std::string& text) {
    WriteFuzzFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Makes a private folder under /tmp the current directory, once per process,
// and sends standard output to /dev/null: the programs print a lot, and the
// fuzzer reports on standard error.
inline void EnterFuzzFolder() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    static char path[] = "/tmp/brakt-fuzz-XXXXXX";
    if (!mkdtemp(path) || chdir(path) != 0) abort();
    atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    });
    if (!freopen("/dev/null", "w", stdout)) abort();
}
