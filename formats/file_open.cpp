#include "formats/file_open.h"

#include <dirent.h>
#include <sys/stat.h>

#include "formats/wad.h"

namespace {

FILE* OpenRegularFile(const std::string& name, const char* mode) {
    struct stat info;
    if (stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return fopen(name.c_str(), mode);
}

}  // namespace

FILE* OpenUserFile(const std::string& name, const char* mode) {
    if (FILE* file = OpenRegularFile(name, mode)) return file;
    if (name.empty()) return nullptr;

    size_t slash = name.find_last_of('/');
    std::string directory = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (FILE* file = OpenRegularFile(directory + UpperCase(base), mode)) return file;

    DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
    if (!listing) return nullptr;
    FILE* file = nullptr;
    while (struct dirent* item = readdir(listing)) {
        if (NamesEqual(item->d_name, base)) {
            file = OpenRegularFile(directory + item->d_name, mode);
            if (file) break;
        }
    }
    closedir(listing);
    return file;
}

long FileSize(FILE* file) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0) return -1;
    return static_cast<long>(info.st_size);
}
