// "Check Online for Update": asks the update server which version is current
// and tells the musician; when a newer one exists, offers the maker's
// download page in the browser.
//
// The request runs on a thread of its own, so the editor never waits for the
// network; the outcome is shown by Poll(), which the instance's idle calls.
//
// Threads: Start, Poll and the destructor run on the editor's thread (or
// whichever thread the host's idle and close calls use). The destructor
// cancels a request still running and waits for its thread, which libcurl
// lets go within about a second.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "framework/IUserServices.h"

namespace qor {

class UpdateCheck {
public:
    // Results of a finished check, informational only.
    static constexpr int kCompleted = 0;
    static constexpr int kNoReply = -1;
    static constexpr int kFailed = -2;
    static constexpr int kInvalidReply = -3;

    struct Settings {
        std::string host;
        int port = 80;
        std::string makerWeb;
        int timeoutSeconds = 10;
    };
    // The server and site this build was configured with.
    static Settings BuiltIn();

    explicit UpdateCheck(Settings settings = BuiltIn());
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Sends the request unless one is under way (then false).
    bool Start();
    bool Running() const { return thread_.joinable(); }
    // When the reply has come: tells the musician through services and
    // returns the result (kCompleted ... kInvalidReply); else nothing.
    std::optional<int> Poll(IUserServices& services);

    // The maker's home page and its download page, as web addresses.
    std::string MakerHomePage() const;
    std::string DownloadPage() const;

private:
    struct Fetch;
    int Report(const std::string& reply, IUserServices& services);

    Settings settings_;
    std::shared_ptr<Fetch> fetch_;
    std::thread thread_;
};

}  // namespace qor
