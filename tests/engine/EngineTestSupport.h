#pragma once
// A prepared engine on the loaded conversion libraries, with the log lines it
// produces.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FFmpeg.h"
#include "FFmpegLogger.h"

namespace v2m::test {

struct LogLine {
    TFFBaseComponent* sender;
    TLogLevel level;
    std::string text;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<LogLine> Lines();
    std::vector<std::string> TextsAt(TLogLevel level);
    void ClearLog();

    std::unique_ptr<TFFmpeg> engine_;
    TEngineOptions& options() { return engine_->Options(); }

private:
    std::mutex mutex_;
    std::vector<LogLine> lines_;
};

// "1,2,...,count": a quantiser matrix text of `count` coefficients.
std::string MatrixText(int count, int first = 1);

// The message of the exception of type E that `call` raises; a failure when it
// raises nothing or something else.
template <typename E>
std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
        return {};
    }
    ADD_FAILURE() << "nothing raised";
    return {};
}

}  // namespace v2m::test
