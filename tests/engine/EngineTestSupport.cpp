#include "EngineTestSupport.h"

#include "TestSupport.h"

namespace v2m::test {

void EngineTest::SetUp() {
    LoadConverterLibs();
    TFFLogger& logger = FFLoggerInstance();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(llInfo);
    logger.SetOnLog(
        [this](TFFBaseComponent* sender, uint32_t, TLogLevel level, const std::string& text) {
            std::lock_guard lock(mutex_);
            lines_.push_back({sender, level, text});
        });
    engine_ = std::make_unique<TFFmpeg>(20);
    engine_->Prepare();
}

void EngineTest::TearDown() {
    engine_.reset();
    TFFLogger& logger = FFLoggerInstance();
    logger.SetOnLog(nullptr);
    logger.SetTriggerEventInMainThread(true);
    logger.SetLogLevel(llInfo);
}

std::vector<LogLine> EngineTest::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> EngineTest::TextsAt(TLogLevel level) {
    std::vector<std::string> texts;
    for (const LogLine& line : Lines()) {
        if (line.level == level) {
            texts.push_back(line.text);
        }
    }
    return texts;
}

void EngineTest::ClearLog() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::string MatrixText(int count, int first) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i == 0 ? "" : ",") + std::to_string(first + i);
    }
    return text;
}

}  // namespace v2m::test
