#include <chrono>

#include "FFmpegLoader.h"
#include "PlayerContext.h"

namespace v2m {

int64_t NowMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double NowSeconds() {
    return static_cast<double>(NowMicroseconds()) / 1e6;
}

namespace {
// What a queued packet costs beyond its data, as the queue limits count it.
constexpr int64_t kEntryOverhead = 72;
}  // namespace

bool TPacketQueue::Put(AVPacket* packet) {
    PacketPtr owned(ff::av_packet_alloc());
    if (!owned) {
        return false;
    }
    if (packet->data != nullptr && ff::av_packet_ref(owned.get(), packet) < 0) {
        return false;
    }
    owned->stream_index = packet->stream_index;
    {
        std::lock_guard lock(mutex_);
        // Counted once queued: a push that throws leaves the size as it was.
        const int64_t size = owned->size + kEntryOverhead;
        entries_.push_back(TEntry{std::move(owned), false});
        size_ += size;
    }
    changed_.notify_all();
    return true;
}

void TPacketQueue::PutFlush() {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(TEntry{nullptr, true});
        size_ += kEntryOverhead;
    }
    changed_.notify_all();
}

int TPacketQueue::Get(TEntry& entry, bool block) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (aborted_.load()) {
            return -1;
        }
        if (!entries_.empty()) {
            entry = std::move(entries_.front());
            entries_.pop_front();
            size_ -= (entry.Packet ? entry.Packet->size : 0) + kEntryOverhead;
            return 1;
        }
        if (!block) {
            return 0;
        }
        changed_.wait(lock);
    }
}

void TPacketQueue::Flush() {
    std::deque<TEntry> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(entries_);
        size_ = 0;
    }
}

void TPacketQueue::Abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_.store(true);
    }
    changed_.notify_all();
}

void TPacketQueue::Start() {
    std::lock_guard lock(mutex_);
    aborted_.store(false);
}

int TPacketQueue::Count() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}

int64_t TPacketQueue::Size() {
    std::lock_guard lock(mutex_);
    return size_;
}

TAudioState::~TAudioState() {
    ff::av_channel_layout_uninit(&ResamplerLayout);
}

}  // namespace v2m
