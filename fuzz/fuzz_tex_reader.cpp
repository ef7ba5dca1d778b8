// libFuzzer target: the converter's reader of .TEX files and its size lookups.
#include "fuzz/converter_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunTextureCatalogOnBytes(data, size);
    return 0;
}
