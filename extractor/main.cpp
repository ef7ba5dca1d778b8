// Entry point of the texture extractor pavlunt.

#include <string>
#include <vector>

#include "extractor/extractor.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return ExtractorMain(args);
}
