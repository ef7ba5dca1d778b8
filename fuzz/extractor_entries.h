// Entry point of the extractor's fuzz target, shared with the regression test
// that replays the inputs the fuzzer once crashed on. It works in the current
// directory; ExtractorMain resets every global record before it starts and
// the reset closes what a fatal error left open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extractor/extractor.h"
#include "fuzz/fuzz_files.h"

namespace fuzz {

// The whole extractor run on one WAD. The first byte chooses options, the
// rest is the WAD F.WAD; -d3 writes its images and materials into the
// current directory too. Gives the exit status.
inline int RunExtractorOnBytes(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    WriteFuzzFile("F.WAD", data + 1, size - 1);
    std::vector<std::string> args = {"F.WAD"};
    if (choice & 0x01) args.push_back("-t");
    if (choice & 0x02) args.push_back("-h");
    if (choice & 0x04) {
        args.push_back("-d");
        args.push_back((choice & 0x08) ? "0.3" : "1.7");
    }
    if (choice & 0x10) args.push_back("-d3");
    int status = ExtractorMain(args);
    fflush(stdout);
    ResetExtractorState();
    return status;
}

}  // namespace fuzz
