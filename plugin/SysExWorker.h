// A thread of the instrument's own for the slow part of receiving SysEx
// (decoding a bank, rendering a user wave, writing program states), so that
// the host's event call, which many hosts make on their audio thread, only
// hands the bytes over. The handler runs on the worker thread, one message
// queue at a time, in the order they were posted.
//
// The hand-over is a single-producer, single-consumer byte ring: Post never
// blocks, never allocates and takes no lock. One thread posts at a time (the
// instrument posts with its main lock held).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>
#include <vector>

namespace qor {

class SysExWorker {
public:
    using Handler = std::function<void(std::span<const uint8_t>)>;
    // Room for several hundred banks waiting at once.
    static constexpr std::size_t kRingBytes = std::size_t{1} << 20;

    explicit SysExWorker(Handler handler);
    // Stops the thread; what is still waiting is dropped.
    ~SysExWorker();
    SysExWorker(const SysExWorker&) = delete;
    SysExWorker& operator=(const SysExWorker&) = delete;

    // Any thread, one at a time: queues the bytes for the handler. False,
    // and nothing queued, when they do not fit.
    bool Post(std::span<const uint8_t> bytes);
    // True while posted bytes wait or are being handled.
    bool Busy() const { return mPosted.load(std::memory_order_acquire) != mHandled.load(std::memory_order_acquire); }
    // Waits until everything posted before the call has been handled. Not
    // for the audio thread, nor for a thread that holds what the handler
    // needs (the main lock).
    void Drain();

private:
    void Run();
    void Copy(std::size_t at, const uint8_t* from, std::size_t count);
    void CopyOut(std::size_t at, uint8_t* to, std::size_t count) const;

    Handler mHandler;
    std::vector<uint8_t> mRing;
    std::atomic<std::size_t> mWritten{0};  // bytes ever written (the producer's position)
    std::atomic<std::size_t> mRead{0};     // bytes ever read (the consumer's position)
    std::atomic<uint64_t> mPosted{0};
    std::atomic<uint64_t> mHandled{0};
    std::atomic<uint32_t> mWake{0};
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

}  // namespace qor
