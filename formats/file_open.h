// Opening the files that a user names on the command line.
#pragma once

#include <cstdio>
#include <string>

// Opens `name` with `mode` ("rb" and the like). Tries the name as given, then
// the name upper-cased, then a file of the same name in the same directory
// matched without regard to case, so that names typed in any case work on a
// case-sensitive file system. Gives nullptr when none of them opens.
FILE* OpenUserFile(const std::string& name, const char* mode);

// The size in bytes of an open file, or -1 when it cannot be measured.
long FileSize(FILE* file);
