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

namespace {

int ParseScale(const char* value) {
    ResetConverterState();
    std::string a = "brakt", b = "F.WAD", c = "MAP01", d = "-scale", e = value;
    char* argv[] = {a.data(), b.data(), c.data(), d.data(), e.data(), nullptr};
    try {
        ParseCommandLine(5, argv);
    } catch (const FatalError& error) {
        EXPECT_EQ(error.message.rfind("ERROR: The scale factor ", 0), 0u) << error.message;
        return error.status;
    }
    return 0;
}

// Factors whose products overflow the integers of the map text end the run
// before anything is written; the ends of the range still convert.
TEST(FuzzRegression, ScaleOutOfRange) {
    for (const char* value : {"1e30", "-1e30", "inf", "nan", "1024.5"})
        EXPECT_EQ(ParseScale(value), 1) << value;
    for (const char* value : {"1024", "-1024", "0", "x"}) EXPECT_EQ(ParseScale(value), 0) << value;
    EXPECT_EQ(ParseScale("-1024"), 0);
    EXPECT_EQ(convert_options.map_scale, -1024.0f);
    ResetConverterState();
}

}  // namespace
