#include "ComponentTestSupport.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "FFmpegLogger.h"
#include "FixtureGenerator.h"

namespace v2m::test {

namespace {

namespace fs = std::filesystem;

int EntriesIn(const char* folder) {
    int count = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                ++count;
            }
        }
        ::closedir(dir);
    }
    return count;
}

}  // namespace

fs::path SharedClip(const std::string& name) {
    static const std::map<std::string, double> kSeconds = {
        {kBlip, 0.2}, {kTone3s, 3.0}, {kTone20s, 20.0}, {kVideo20s, 20.0}};
    const auto found = kSeconds.find(name);
    if (found == kSeconds.end()) {
        return Fixture(name);
    }
    static std::mutex mutex;
    static const fs::path folder = MakeTempDir("component-clips");
    std::lock_guard lock(mutex);
    const fs::path path = folder / name;
    if (!fs::exists(path)) {
        fixtures::ClipRecipe recipe;
        recipe.duration_s = found->second;
        recipe.streams = {name == kVideo20s ? fixtures::Video("mpeg4", 320, 240, AVRational{25, 1})
                                            : fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
        fixtures::WriteClip(path, recipe);
    }
    return path;
}

int ThreadCount() {
    return EntriesIn("/proc/self/task");
}

int DescriptorCount() {
    // The listing's own descriptor is counted too; it is one at every call.
    return EntriesIn("/proc/self/fd");
}

HangGuard::HangGuard(std::string what, std::chrono::seconds limit) {
    watcher_ = std::thread([this, what = std::move(what), limit] {
        std::unique_lock lock(mutex_);
        if (!closed_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "%s: still running after %lld s, taken for a deadlock\n",
                         what.c_str(), static_cast<long long>(limit.count()));
            std::fflush(stderr);
            std::_Exit(EXIT_FAILURE);
        }
    });
}

HangGuard::~HangGuard() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    closed_.notify_all();
    watcher_.join();
}

void ComponentTest::SetUp() {
    // A sanitizer's runtime starts a thread of its own at the first thread
    // the program makes; one made here keeps it out of the tests' counts.
    std::thread([] {}).join();
    LoadConverterLibs();
    main_ = std::make_shared<QueuedMainThread>();
    InstallMainThreadServices(main_);
    main_thread_ = CurrentThreadId();
    TFFLogger& logger = FFLoggerInstance();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(llError);
    converter_ = std::make_unique<TFFConverter>();
}

void ComponentTest::TearDown() {
    // A test's log handler may refer to what the test has let go of already.
    FFLoggerInstance().SetOnLog(nullptr);
    converter_.reset();
    FFLoggerInstance().SetLogLevel(llInfo);
    FFLoggerInstance().SetTriggerEventInMainThread(true);
    InstallMainThreadServices(nullptr);
}

int ComponentTest::AddJob(const std::string& input, const std::string& ext, TOutputOptions* output,
                          TInputOptions* input_options) {
    const int index = converter_->AddTask(SharedClip(input).string(), input_options);
    EXPECT_GE(index, 0) << converter_->LastError();
    if (index < 0) {
        return index;
    }
    const fs::path out = Out("out" + std::to_string(job_counter_++) + "." + ext);
    EXPECT_TRUE(converter_->SetOutputFile(index, out.string(), output)) << converter_->LastError();
    return index;
}

void ComponentTest::RecordTerminates(std::function<void(const TTerminateInfo&)> then) {
    converter_->SetOnTerminate(
        [this, then = std::move(then)](TFFBaseComponent* sender, TTerminateInfo info) {
            auto* converter = static_cast<TCustomFFConverter*>(sender);
            {
                std::lock_guard lock(mutex_);
                terminates_.push_back({info, CurrentThreadId(), converter->Finalized()});
            }
            if (then) {
                then(info);
            }
        });
}

std::vector<TerminateRecord> ComponentTest::Terminates() {
    std::lock_guard lock(mutex_);
    return terminates_;
}

void ComponentTest::ClearRecords() {
    std::lock_guard lock(mutex_);
    terminates_.clear();
}

bool ComponentTest::FinalSeen() {
    std::lock_guard lock(mutex_);
    for (const TerminateRecord& record : terminates_) {
        if (record.info.TaskIndex == -1) {
            return true;
        }
    }
    return false;
}

bool ComponentTest::ServeUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    return main_->ServeUntil(done, timeout);
}

}  // namespace v2m::test
