// Test entry point with a plain result printer. GoogleTest's own printer also sends
// every failure to OutputDebugStringA, which raises a debug exception; Wine run under
// qemu's i386 emulator cannot deliver it and the whole test program dies at the first
// failed assertion, hiding every later result.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class PlainResultPrinter : public ::testing::EmptyTestEventListener {
public:
    void OnTestProgramStart(const ::testing::UnitTest& unit) override {
        std::printf("[==========] Running %d tests from %d test suites.\n", unit.test_to_run_count(),
                    unit.test_suite_to_run_count());
        std::fflush(stdout);
    }
    void OnTestStart(const ::testing::TestInfo& test) override {
        std::printf("[ RUN      ] %s.%s\n", test.test_suite_name(), test.name());
        std::fflush(stdout);
    }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.type() == ::testing::TestPartResult::kSuccess) return;
        if (result.skipped()) {
            std::printf("%s:%d: Skipped\n%s\n", result.file_name() ? result.file_name() : "unknown file",
                        result.line_number(), result.message());
        } else {
            std::printf("%s:%d: Failure\n%s\n", result.file_name() ? result.file_name() : "unknown file",
                        result.line_number(), result.message());
        }
        std::fflush(stdout);
    }
    void OnTestEnd(const ::testing::TestInfo& test) override {
        const char* verdict = test.result()->Skipped() ? "[  SKIPPED ]" : test.result()->Passed() ? "[       OK ]"
                                                                                                   : "[  FAILED  ]";
        std::printf("%s %s.%s (%lld ms)\n", verdict, test.test_suite_name(), test.name(),
                    static_cast<long long>(test.result()->elapsed_time()));
        if (test.result()->Failed()) failed_.push_back(std::string(test.test_suite_name()) + "." + test.name());
        std::fflush(stdout);
    }
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        std::printf("[==========] %d tests from %d test suites ran. (%lld ms total)\n", unit.test_to_run_count(),
                    unit.test_suite_to_run_count(), static_cast<long long>(unit.elapsed_time()));
        std::printf("[  PASSED  ] %d tests.\n", unit.successful_test_count());
        if (unit.skipped_test_count() > 0) std::printf("[  SKIPPED ] %d tests.\n", unit.skipped_test_count());
        for (const std::string& name : failed_) std::printf("[  FAILED  ] %s\n", name.c_str());
        if (!failed_.empty()) std::printf("\n%zu FAILED TESTS\n", failed_.size());
        std::fflush(stdout);
    }

private:
    std::vector<std::string> failed_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new PlainResultPrinter);
    return RUN_ALL_TESTS();
}
