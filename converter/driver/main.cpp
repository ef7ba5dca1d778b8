// brakt: converts one level of a Doom WAD into a Doom 3 .MAP file.
#include <cstdio>
#include <exception>

#include "converter/driver/driver.h"
#include "formats/fatal.h"

int main(int argc, char** argv) {
    ResetConverterState();
    try {
        return RunConverter(argc, argv);
    } catch (const FatalError& error) {
        fputs(error.message.c_str(), stdout);
        fflush(stdout);
        return error.status;
    } catch (const std::exception& error) {
        printf("ERROR: %s\n", error.what());
        fflush(stdout);
        return 1;
    }
}
