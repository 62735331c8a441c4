#include <curl/curl.h>

#include <mutex>

#include "platform/HttpGet.h"

namespace qor {

namespace {

struct Transfer {
    const HttpRequest* request;
    const std::atomic<bool>* cancel;
    std::string body;
    bool cut = false;
};

size_t Receive(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    const size_t room = transfer.request->maxBytes - transfer.body.size();
    if (bytes > room) {
        transfer.body.append(data, room);
        transfer.cut = true;
        return 0;  // stops the transfer; what came so far is the reply
    }
    transfer.body.append(data, bytes);
    return bytes;
}

// Called by libcurl while it waits, also before the connection stands.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(user)->cancel->load() ? 1 : 0;
}

}  // namespace

HttpReply HttpGet(const HttpRequest& request, const std::atomic<bool>& cancel)
{
    // libcurl's global set-up is not safe to race with; once for the process,
    // never undone (a fetch may still be finishing while the module winds down).
    static std::once_flag globalInit;
    std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    HttpReply reply;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        reply.error = "cannot start libcurl";
        return reply;
    }
    Transfer transfer{&request, &cancel, {}, false};
    const std::string url = "http://" + request.host + "/" + request.path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PORT, static_cast<long>(request.port));
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");  // direct, as the check always went
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(request.timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM in the host's process
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && transfer.cut)) {
        reply.answered = true;
        reply.body = std::move(transfer.body);
    } else {
        reply.error = curl_easy_strerror(code);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

}  // namespace qor
