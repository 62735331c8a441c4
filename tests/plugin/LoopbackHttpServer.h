// A one-page HTTP server on 127.0.0.1 for the update-check tests: it answers
// every request with the same body, or (silent) accepts and never answers.
// It records the last request it read.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qor::test {

class LoopbackHttpServer {
public:
    enum class Mode { Answer, Silent };

    explicit LoopbackHttpServer(std::string body, Mode mode = Mode::Answer) : body_(std::move(body)), mode_(mode)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackHttpServer()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (int held : held_) ::close(held);
        ::close(listener_);
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // 0 when the server could not start.
    int Port() const { return port_; }
    std::string LastRequest()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return request_;
    }

    // A port on which nobody listens.
    static int ClosedPort()
    {
        LoopbackHttpServer probe("");
        return probe.Port();  // closed again when probe goes
    }

private:
    static bool Wait(int fd, int milliseconds)
    {
        pollfd entry{fd, POLLIN, 0};
        return ::poll(&entry, 1, milliseconds) > 0;
    }

    void Serve()
    {
        while (!stop_) {
            if (!Wait(listener_, 20)) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos && !stop_ && Wait(client, 2000)) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> guard(mutex_);
                request_ = request;
            }
            if (mode_ == Mode::Silent) {
                held_.push_back(client);
                continue;
            }
            const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                      std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
            for (size_t sent = 0; sent < reply.size();) {
                const ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            ::close(client);
        }
    }

    std::string body_;
    Mode mode_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<int> held_;
    std::mutex mutex_;
    std::string request_;
};

}  // namespace qor::test
