// The update check against a loopback HTTP server: what the musician is told
// for each kind of reply, what is opened in the browser, and that the editor
// never waits for the network.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "plugin/UpdateCheck.h"
#include "plugin/UpdateReply.h"
#include "tests/plugin/LoopbackHttpServer.h"
#include "tests/plugin/ScriptedServices.h"

namespace qor::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTitle = "Check Online for Update";
constexpr int kErrorBox = IUserServices::kOk | IUserServices::kIconError;

UpdateCheck::Settings Loopback(int port, int timeoutSeconds = 10)
{
    return UpdateCheck::Settings{"127.0.0.1", port, "www.example.com", timeoutSeconds};
}

// Idles like a host (every 10 ms) until the check reports, for at most `limit`.
std::optional<int> IdleUntilAnswered(UpdateCheck& check, IUserServices& services,
                                     std::chrono::seconds limit = 20s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (auto result = check.Poll(services)) return result;
        std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
}

std::string NewVersionText(const std::string& version)
{
    return "A new version of QOR is available.\n\n\tYour version: \t1.1.1\n\tNew version: \t" + version +
           "\n\nDo you want to go to www.example.com to get the new version?";
}

TEST(UpdateReply, VersionNumbersReadAsTheServerEncodesThem)
{
    struct Case {
        const char* reply;
        UpdateVerdict::Kind kind;
        const char* version;
    };
    const Case cases[] = {
        {"1101", UpdateVerdict::UpToDate, ""},
        {"1000", UpdateVerdict::UpToDate, ""},
        {"1102", UpdateVerdict::NewVersion, "1.1.2"},
        {"1110", UpdateVerdict::NewVersion, "1.1.10"},
        {"1112", UpdateVerdict::NewVersion, "1.1.12"},
        {"2003", UpdateVerdict::NewVersion, "2.0.3"},
        {"2000", UpdateVerdict::NewVersion, "2.0.0"},
        // Blanks before and a line break after the number are not part of it.
        {"  1102\r\n", UpdateVerdict::NewVersion, "1.1.2"},
        {"1205 stable", UpdateVerdict::NewVersion, "1.2.5"},
        // No number reads as 0, a negative one is no newer version.
        {"maintenance", UpdateVerdict::UpToDate, ""},
        {"-3000", UpdateVerdict::UpToDate, ""},
        {"\n", UpdateVerdict::UpToDate, ""},
        // Far too many digits: still a newer version, read without overflow.
        {"123456789012345678901234567890", UpdateVerdict::NewVersion, "1.2.3456789012345678901234567890"},
        {"", UpdateVerdict::NoReply, ""},
        {"<html><body>404</body></html>", UpdateVerdict::InvalidCall, ""},
        {"1102<br>", UpdateVerdict::InvalidCall, ""},
    };
    for (const Case& c : cases) {
        const UpdateVerdict verdict = EvaluateUpdateReply(c.reply, 1101);
        EXPECT_EQ(verdict.kind, c.kind) << '"' << c.reply << '"';
        EXPECT_EQ(verdict.newVersion, c.version) << '"' << c.reply << '"';
    }
}

TEST(UpdateCheck, EachServerReplyGivesItsOwnBox)
{
    struct Case {
        const char* body;
        int result;
        std::string text;
        std::string title;
        int style;
    };
    const Case cases[] = {
        {"1101", UpdateCheck::kCompleted, "Your version is up to date.", kTitle,
         IUserServices::kOk | IUserServices::kIconInformation},
        {"1102", UpdateCheck::kCompleted, NewVersionText("1.1.2"), "New Version of QOR Detected", IUserServices::kYesNo},
        {"1110", UpdateCheck::kCompleted, NewVersionText("1.1.10"), "New Version of QOR Detected", IUserServices::kYesNo},
        {"2003", UpdateCheck::kCompleted, NewVersionText("2.0.3"), "New Version of QOR Detected", IUserServices::kYesNo},
        {"<!DOCTYPE html>\n<html><head><title>Not here</title></head></html>\n", UpdateCheck::kInvalidReply,
         "Invalid call to 127.0.0.1.", kTitle, kErrorBox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        LoopbackHttpServer server(c.body);
        ASSERT_NE(server.Port(), 0);
        ScriptedServices musician;
        musician.messageAnswers = {IUserServices::kAnswerNo};
        UpdateCheck check(Loopback(server.Port()));
        ASSERT_TRUE(check.Start());
        EXPECT_EQ(IdleUntilAnswered(check, musician), c.result);
        ASSERT_EQ(musician.asked.size(), 1u);
        EXPECT_EQ(musician.asked[0].text, c.text);
        EXPECT_EQ(musician.asked[0].title, c.title);
        EXPECT_EQ(musician.asked[0].style, c.style);
        EXPECT_TRUE(musician.opened.empty());  // nothing offered, or declined
        EXPECT_FALSE(check.Poll(musician).has_value());  // told once

        const std::string request = server.LastRequest();
        EXPECT_EQ(request.rfind("GET /music/version/?file=qor HTTP/1.", 0), 0u) << request;
        EXPECT_NE(request.find("\r\nUser-Agent: QOR\r\n"), std::string::npos) << request;
        EXPECT_NE(request.find("\r\nAccept: */*\r\n"), std::string::npos) << request;
    }
}

TEST(UpdateCheck, AcceptingTheNewVersionOpensTheDownloadPage)
{
    LoopbackHttpServer server("1102\n");
    for (int answer : {IUserServices::kAnswerYes, IUserServices::kAnswerOk}) {
        ScriptedServices musician;
        musician.messageAnswers = {answer};
        musician.holdAnswers = true;  // the box answers on a later idle call
        UpdateCheck check(Loopback(server.Port()));
        check.Start();
        EXPECT_EQ(IdleUntilAnswered(check, musician), UpdateCheck::kCompleted);
        EXPECT_TRUE(musician.opened.empty());
        musician.Release();
        ASSERT_EQ(musician.opened.size(), 1u);
        EXPECT_EQ(musician.opened[0], "http://www.example.com/music/vst.html");
    }
}

TEST(UpdateCheck, NoServerOrNoAnswerEndsInOneErrorBox)
{
    const std::string failure = "An error occurred while contacting 127.0.0.1.";
    {
        ScriptedServices musician;
        UpdateCheck check(Loopback(LoopbackHttpServer::ClosedPort()));
        check.Start();
        EXPECT_EQ(IdleUntilAnswered(check, musician), UpdateCheck::kNoReply);
        ASSERT_EQ(musician.asked.size(), 1u);
        EXPECT_EQ(musician.asked[0].text, failure);
        EXPECT_EQ(musician.asked[0].title, kTitle);
        EXPECT_EQ(musician.asked[0].style, kErrorBox);
        EXPECT_TRUE(musician.opened.empty());
    }
    {
        // A server that takes the request and never answers: the editor's
        // idle calls go on returning at once until the time-out ends the wait.
        LoopbackHttpServer server("", LoopbackHttpServer::Mode::Silent);
        ScriptedServices musician;
        UpdateCheck check(Loopback(server.Port(), 1));
        ASSERT_TRUE(check.Start());
        EXPECT_TRUE(check.Running());
        EXPECT_FALSE(check.Start());  // one check at a time
        EXPECT_FALSE(check.Poll(musician).has_value());
        EXPECT_TRUE(musician.asked.empty());
        EXPECT_EQ(IdleUntilAnswered(check, musician), UpdateCheck::kNoReply);
        ASSERT_EQ(musician.asked.size(), 1u);
        EXPECT_EQ(musician.asked[0].text, failure);
        EXPECT_FALSE(server.LastRequest().empty());  // it did reach the server
        // Asked again, it asks again.
        EXPECT_TRUE(check.Start());
    }
}

TEST(UpdateCheck, ClosingTheInstanceDuringACheckDoesNotWaitForTheServer)
{
    LoopbackHttpServer server("", LoopbackHttpServer::Mode::Silent);
    ScriptedServices musician;
    const auto start = std::chrono::steady_clock::now();
    {
        UpdateCheck check(Loopback(server.Port(), 60));
        check.Start();
        std::this_thread::sleep_for(100ms);
    }
    // Far inside the 60 s the request would otherwise wait.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(musician.asked.empty());
}

}  // namespace
}  // namespace qor::test
