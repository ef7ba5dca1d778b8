// Replays the inputs that once crashed the extractor's fuzz target; each must
// now end with an exit status (any) and no crash or sanitizer report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/extractor_entries.h"
#include "tests/support/test_support.h"

TEST(FuzzRegression, ExtractorRun) {
    std::vector<std::string> files;
    std::filesystem::path folder =
        std::filesystem::path(DATA_DIR) / ".." / "tests" / "fuzz_regressions" / "extractor_run";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes = ReadFileBytes(path);
        TempDir dir;
        testing::internal::CaptureStdout();
        int status = fuzz::RunExtractorOnBytes(bytes.data(), bytes.size());
        std::string output = testing::internal::GetCapturedStdout();
        if (status != 0) {
            EXPECT_NE(output.find("ERROR: "), std::string::npos) << output;
        }
    }
}
