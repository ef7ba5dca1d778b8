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
        if (error.message.empty() || error.message[0] != '\n') EndProgressLine();
        SetProgressLineOpen(false);
        fputs(error.message.c_str(), stdout);
        fflush(stdout);
        return error.status;
    } catch (const std::exception& error) {
        EndProgressLine();
        printf("ERROR: %s\n", error.what());
        fflush(stdout);
        return 1;
    }
}
