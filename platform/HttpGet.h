// One plain HTTP GET, blocking until the whole reply is in, the time-out has
// passed, or the caller cancels. Linux uses libcurl; the Windows Internet
// functions serve on Windows.
//
// Threads: any thread but the editor's; several fetches may run at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace qor {

struct HttpRequest {
    std::string host;
    int port = 80;
    std::string path;  // without the leading slash, e.g. "music/version/?file=qor"
    std::string userAgent;
    int timeoutSeconds = 10;
    // Longer replies are cut here: a version answer is a few bytes.
    size_t maxBytes = 65536;
};

struct HttpReply {
    // True when the server answered; body holds what it sent (whatever the
    // HTTP status), up to maxBytes.
    bool answered = false;
    std::string body;
    // Why nothing came (for diagnostics; the musician sees one message).
    std::string error;
};

// Returns as soon as it can once `cancel` becomes true, with no answer.
HttpReply HttpGet(const HttpRequest& request, const std::atomic<bool>& cancel);

}  // namespace qor
