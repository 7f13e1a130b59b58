#pragma once
// The base of the core tests that convert for real: the converter's
// libraries loaded, the test thread as main thread, events on the calling
// thread and only errors logged.

#include <gtest/gtest.h>

#include <memory>

#include "FFmpegLogger.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m::test {

class ConvertingTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        FFLoggerInstance().SetTriggerEventInMainThread(false);
        FFLoggerInstance().SetLogLevel(llError);
    }
    void TearDown() override {
        FFLoggerInstance().SetLogLevel(llInfo);
        FFLoggerInstance().SetTriggerEventInMainThread(true);
        InstallMainThreadServices(nullptr);
    }

    std::shared_ptr<QueuedMainThread> main_;
};

}  // namespace v2m::test
