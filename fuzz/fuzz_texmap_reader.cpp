// libFuzzer target: the reader of -texmap files and the name translation.
#include "fuzz/converter_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunTextureMapOnBytes(data, size);
    return 0;
}
