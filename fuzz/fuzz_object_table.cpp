// libFuzzer target: the object table's line parser and the object pass.
#include "fuzz/converter_entries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RunObjectTableOnBytes(data, size);
    return 0;
}
