// libFuzzer target: the extractor's whole run, from the WAD's bytes through
// the finished texture file.
#include "fuzz/extractor_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunExtractorOnBytes(data, size);
    return 0;
}
