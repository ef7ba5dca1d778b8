// Replays the inputs that once crashed the converter's fuzz targets; each
// must now end (with any status) without a crash, a sanitizer report or an
// exception other than the fatal errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/converter_entries.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::string> RegressionInputs(const std::string& target) {
    std::vector<std::string> files;
    std::filesystem::path folder =
        std::filesystem::path(DATA_DIR) / ".." / "tests" / "fuzz_regressions" / target;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void Replay(const std::string& target, void (*run)(const uint8_t*, size_t)) {
    for (const std::string& path : RegressionInputs(target)) {
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes = ReadFileBytes(path);
        TempDir dir;
        testing::internal::CaptureStdout();
        EXPECT_NO_THROW(run(bytes.data(), bytes.size()));
        testing::internal::GetCapturedStdout();
    }
}

TEST(FuzzRegression, ConverterRun) {
    Replay("converter_run", fuzz::RunConverterOnBytes);
}

TEST(FuzzRegression, TextureCatalog) {
    Replay("tex_reader", fuzz::RunTextureCatalogOnBytes);
}

TEST(FuzzRegression, TextureMap) {
    Replay("texmap_reader", fuzz::RunTextureMapOnBytes);
}

TEST(FuzzRegression, ObjectTable) {
    Replay("object_table", fuzz::RunObjectTableOnBytes);
}

}  // namespace
