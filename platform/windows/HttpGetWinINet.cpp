#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/HttpGet.h"

namespace qor {

namespace {

// WinINet's calls block and cannot be told to stop, but closing the handle
// they work on makes them return. A watcher closes the request handle when
// the caller cancels or the time-out has passed; the fetch closes whatever
// the watcher has not.
class Watchdog {
public:
    Watchdog(const std::atomic<bool>& cancel, int timeoutSeconds)
        : cancel_(cancel), deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds)),
          thread_([this] { watch(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The handle to close when time runs out; false when it already has.
    bool watch(HINTERNET request)
    {
        std::lock_guard lock(mutex_);
        request_ = request;
        return !fired_;
    }
    // Takes the handle back for the fetch to close; null when the watcher
    // closed it.
    HINTERNET release()
    {
        std::lock_guard lock(mutex_);
        const HINTERNET request = request_;
        request_ = nullptr;
        return request;
    }
    bool cancelled() const { return cancel_.load(); }

private:
    void watch()
    {
        std::unique_lock lock(mutex_);
        while (!done_) {
            if (cancel_.load() || std::chrono::steady_clock::now() >= deadline_) {
                fired_ = true;
                if (request_ != nullptr) InternetCloseHandle(std::exchange(request_, nullptr));
                return;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(20));
        }
    }

    const std::atomic<bool>& cancel_;
    const std::chrono::steady_clock::time_point deadline_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    HINTERNET request_ = nullptr;
    bool fired_ = false;
    bool done_ = false;
    std::thread thread_;
};

std::string errorText(const char* what)
{
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

}  // namespace

HttpReply HttpGet(const HttpRequest& request, const std::atomic<bool>& cancel)
{
    HttpReply reply;
    if (cancel.load()) return reply;
    // Direct, as the check always went: no proxy, no cache.
    const HINTERNET session = InternetOpenA(request.userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (session == nullptr) {
        reply.error = errorText("InternetOpenA");
        return reply;
    }
    DWORD milliseconds = static_cast<DWORD>(request.timeoutSeconds) * 1000;
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(session, option, &milliseconds, sizeof milliseconds);

    const HINTERNET connection = InternetConnectA(session, request.host.c_str(),
                                                  static_cast<INTERNET_PORT>(request.port), nullptr, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr) {
        reply.error = errorText("InternetConnectA");
        InternetCloseHandle(session);
        return reply;
    }
    const char* accept[] = {"*/*", nullptr};
    const HINTERNET opened = HttpOpenRequestA(connection, "GET", request.path.c_str(), nullptr, nullptr, accept,
                                              INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0);
    if (opened == nullptr) {
        reply.error = errorText("HttpOpenRequestA");
        InternetCloseHandle(connection);
        InternetCloseHandle(session);
        return reply;
    }
    {
        Watchdog watchdog(cancel, request.timeoutSeconds);
        const bool started = watchdog.watch(opened);
        if (started) {
            if (HttpSendRequestA(opened, nullptr, 0, nullptr, 0)) {
                reply.answered = true;
                char buffer[1024];
                for (;;) {
                    DWORD n = 0;
                    if (!InternetReadFile(opened, buffer, sizeof buffer, &n)) {
                        reply.answered = false;
                        reply.error = errorText("InternetReadFile");
                        break;
                    }
                    if (n == 0) break;
                    const size_t room = request.maxBytes - reply.body.size();
                    reply.body.append(buffer, n > room ? room : n);
                    if (n >= room) break;  // a version answer is a few bytes; the rest is cut
                }
            } else {
                reply.error = errorText("HttpSendRequestA");
            }
        }
        const HINTERNET stillOpen = watchdog.release();
        if (stillOpen != nullptr) InternetCloseHandle(stillOpen);
        // The watcher closed the request under the fetch: whatever came is
        // not the whole reply.
        if (!started || stillOpen == nullptr) {
            reply.answered = false;
            reply.body.clear();
            reply.error = watchdog.cancelled() ? "cancelled" : "timed out";
        }
    }
    InternetCloseHandle(connection);
    InternetCloseHandle(session);
    return reply;
}

}  // namespace qor
