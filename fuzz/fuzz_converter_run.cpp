// libFuzzer target: the converter's whole run, from the WAD's bytes through
// the last entity of the map file.
#include "fuzz/converter_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunConverterOnBytes(data, size);
    return 0;
}
