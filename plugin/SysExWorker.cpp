#include "plugin/SysExWorker.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace qor {

namespace {

// Each record: its length as four bytes (native order; the ring never leaves
// the process), then the bytes.
constexpr std::size_t kLengthBytes = sizeof(uint32_t);

}  // namespace

SysExWorker::SysExWorker(Handler handler) : mHandler(std::move(handler)), mRing(kRingBytes)
{
    mThread = std::thread([this] { Run(); });
}

SysExWorker::~SysExWorker()
{
    mStop.store(true, std::memory_order_release);
    mWake.fetch_add(1, std::memory_order_release);
    mWake.notify_all();
    mThread.join();
}

void SysExWorker::Copy(std::size_t at, const uint8_t* from, std::size_t count)
{
    const std::size_t start = at % mRing.size();
    const std::size_t first = std::min(count, mRing.size() - start);
    std::memcpy(mRing.data() + start, from, first);
    std::memcpy(mRing.data(), from + first, count - first);
}

void SysExWorker::CopyOut(std::size_t at, uint8_t* to, std::size_t count) const
{
    const std::size_t start = at % mRing.size();
    const std::size_t first = std::min(count, mRing.size() - start);
    std::memcpy(to, mRing.data() + start, first);
    std::memcpy(to + first, mRing.data(), count - first);
}

bool SysExWorker::Post(std::span<const uint8_t> bytes)
{
    const std::size_t written = mWritten.load(std::memory_order_relaxed);
    const std::size_t used = written - mRead.load(std::memory_order_acquire);
    if (bytes.size() > UINT32_MAX || kLengthBytes + bytes.size() > mRing.size() - used) return false;
    const auto length = static_cast<uint32_t>(bytes.size());
    Copy(written, reinterpret_cast<const uint8_t*>(&length), kLengthBytes);
    Copy(written + kLengthBytes, bytes.data(), bytes.size());
    mWritten.store(written + kLengthBytes + bytes.size(), std::memory_order_release);
    mPosted.fetch_add(1, std::memory_order_release);
    mWake.fetch_add(1, std::memory_order_release);
    mWake.notify_one();
    return true;
}

void SysExWorker::Drain()
{
    const uint64_t target = mPosted.load(std::memory_order_acquire);
    for (uint64_t handled = mHandled.load(std::memory_order_acquire); handled < target;
         handled = mHandled.load(std::memory_order_acquire))
        mHandled.wait(handled, std::memory_order_acquire);
}

void SysExWorker::Run()
{
    std::vector<uint8_t> bytes;
    for (;;) {
        const uint32_t wake = mWake.load(std::memory_order_acquire);
        if (mStop.load(std::memory_order_acquire)) return;
        if (mPosted.load(std::memory_order_acquire) == mHandled.load(std::memory_order_relaxed)) {
            mWake.wait(wake, std::memory_order_acquire);
            continue;
        }
        const std::size_t read = mRead.load(std::memory_order_relaxed);
        uint32_t length = 0;
        CopyOut(read, reinterpret_cast<uint8_t*>(&length), kLengthBytes);
        bytes.resize(length);
        CopyOut(read + kLengthBytes, bytes.data(), length);
        mRead.store(read + kLengthBytes + length, std::memory_order_release);
        // A failure to allocate while handling loses this message, not the thread.
        try {
            mHandler(bytes);
        } catch (const std::exception&) {
        }
        mHandled.fetch_add(1, std::memory_order_release);
        mHandled.notify_all();
    }
}

}  // namespace qor
