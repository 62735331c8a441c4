#include "plugin/UpdateCheck.h"

#include <atomic>
#include <exception>

#include "platform/HttpGet.h"
#include "plugin/OnlineAddresses.h"
#include "plugin/UpdateReply.h"

namespace qor {

namespace {

constexpr const char* kProduct = "QOR";
constexpr const char* kTitle = "Check Online for Update";
constexpr const char* kVersionPath = "music/version/?file=qor";
constexpr const char* kDownloadPath = "music/vst.html";

}  // namespace

// What the request thread and the instance share: the thread writes the reply
// and then sets `done`; the instance may be gone by then.
struct UpdateCheck::Fetch {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    HttpReply reply;
};

UpdateCheck::Settings UpdateCheck::BuiltIn()
{
    return Settings{std::string(kUpdateHost), kUpdatePort, std::string(kMakerWeb), 10};
}

UpdateCheck::UpdateCheck(Settings settings) : settings_(std::move(settings)) {}

UpdateCheck::~UpdateCheck()
{
    if (fetch_) fetch_->cancel = true;
    if (thread_.joinable()) thread_.join();
}

bool UpdateCheck::Start()
{
    if (thread_.joinable()) return false;
    fetch_ = std::make_shared<Fetch>();
    HttpRequest request;
    request.host = settings_.host;
    request.port = settings_.port;
    request.path = kVersionPath;
    request.userAgent = kProduct;
    request.timeoutSeconds = settings_.timeoutSeconds;
    thread_ = std::thread([fetch = fetch_, request] {
        fetch->reply = HttpGet(request, fetch->cancel);
        fetch->done.store(true, std::memory_order_release);
    });
    return true;
}

std::optional<int> UpdateCheck::Poll(IUserServices& services)
{
    if (!fetch_ || !fetch_->done.load(std::memory_order_acquire)) return std::nullopt;
    thread_.join();  // it has finished its work
    const std::shared_ptr<Fetch> fetch = std::move(fetch_);
    return Report(fetch->reply.answered ? fetch->reply.body : std::string(), services);
}

std::string UpdateCheck::MakerHomePage() const { return "http://" + settings_.makerWeb + "/"; }

std::string UpdateCheck::DownloadPage() const { return MakerHomePage() + kDownloadPath; }

int UpdateCheck::Report(const std::string& reply, IUserServices& services)
{
    const std::string failure = "An error occurred while contacting " + settings_.host + ".";
    try {
        const UpdateVerdict verdict = EvaluateUpdateReply(reply, kVersionNumber);
        switch (verdict.kind) {
        case UpdateVerdict::NoReply:
            services.ShowMessage(failure, kTitle, IUserServices::kOk | IUserServices::kIconError, [](int) {});
            return kNoReply;
        case UpdateVerdict::InvalidCall:
            services.ShowMessage("Invalid call to " + settings_.host + ".", kTitle,
                                 IUserServices::kOk | IUserServices::kIconError, [](int) {});
            return kInvalidReply;
        case UpdateVerdict::UpToDate:
            services.ShowMessage("Your version is up to date.", kTitle,
                                 IUserServices::kOk | IUserServices::kIconInformation, [](int) {});
            return kCompleted;
        case UpdateVerdict::NewVersion: {
            const std::string text = std::string("A new version of ") + kProduct + " is available.\n\n" +
                                     "\tYour version: \t" + std::string(kVersionText) + "\n" +
                                     "\tNew version: \t" + verdict.newVersion + "\n" +
                                     "\nDo you want to go to " + settings_.makerWeb + " to get the new version?";
            const std::string title = std::string("New Version of ") + kProduct + " Detected";
            services.ShowMessage(text, title, IUserServices::kYesNo,
                                 [&services, page = DownloadPage()](int answer) {
                                     if (answer != IUserServices::kAnswerNo) services.OpenAddress(page);
                                 });
            return kCompleted;
        }
        }
    } catch (const std::exception&) {
    }
    services.ShowMessage(failure, kTitle, IUserServices::kOk | IUserServices::kIconError, [](int) {});
    return kFailed;
}

}  // namespace qor
