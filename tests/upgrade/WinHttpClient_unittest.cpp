// The HTTP client against the local test server: status texts, header captures, decoding,
// the three attempts, limits, certificate checks and Cancel.
#include "upgrade/WinHttpClient.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "upgrade/ResponseHeaders.h"
#include "upgrade/UpgradeTestServer.h"

namespace zvp {
namespace {

using test::UpgradeTestServer;
using Clock = std::chrono::steady_clock;

std::unique_ptr<WinHttpClient> TrustingClient(const UpgradeTestServer& server,
                                              const std::string& path) {
    auto client = std::make_unique<WinHttpClient>(server.Url(path));
    client->SetCaFile(UpgradeTestServer::CaFile());
    return client;
}

TEST(WinHttpClientTest, AnyStatusIsAnAnswerAndHeadersMatchWithoutCase) {
    UpgradeTestServer server(R"({
        "/ok": {"body": "zvp_2.0.18.run", "headers": [["content-type", "text/plain; charset=UTF-8"],
                ["set-cookie", "a=1"], ["SET-COOKIE", "b=2; Path=/"], ["location", "42"]]},
        "/missing": {"status": 404, "body": "gone"},
        "/broken": {"status": 500, "body": "oops"}})");
    ASSERT_TRUE(server.Ok());
    struct Case {
        const char* path;
        const char* status;
        const char* content;
    };
    for (const Case& c : {Case{"/ok", "200", "zvp_2.0.18.run"}, Case{"/missing", "404", "gone"},
                          Case{"/broken", "500", "oops"}}) {
        auto client = TrustingClient(server, c.path);
        EXPECT_TRUE(client->SendHttpRequest()) << c.path;
        EXPECT_EQ(client->GetResponseStatusCode(), c.status);
        EXPECT_EQ(client->GetResponseContent(), c.content);
        EXPECT_EQ(client->GetLastError(), 0);
    }
    auto client = TrustingClient(server, "/ok");
    ASSERT_TRUE(client->SendHttpRequest(""));
    EXPECT_EQ(client->GetResponseCharset(), "UTF-8");
    EXPECT_EQ(client->GetResponseContentLength(), "14");
    EXPECT_EQ(client->GetResponseCookies(), "a=1; b=2; Path=/;");
    EXPECT_EQ(client->GetResponseLocation(), "42");
}

TEST(WinHttpClientTest, OnlyTheFinalResponseHeadersCount) {
    UpgradeTestServer server(R"({
        "/hop": {"redirect": "/end", "headers": [["Set-Cookie", "hop=1"], ["X-Hop", "yes"],
                 ["Content-Type", "text/plain; charset=koi8-r"]]},
        "/end": {"body": "done", "headers": [["X-End", "yes"]]}})");
    ASSERT_TRUE(server.Ok());
    auto client = TrustingClient(server, "/hop");
    ASSERT_TRUE(client->SendHttpRequest());
    EXPECT_EQ(client->GetResponseStatusCode(), "200");
    EXPECT_EQ(client->GetResponseContent(), "done");
    EXPECT_NE(client->GetResponseHeader().find("X-End: yes"), std::string::npos);
    EXPECT_EQ(client->GetResponseHeader().find("X-Hop"), std::string::npos);
    EXPECT_EQ(client->GetResponseCookies(), "");
    EXPECT_EQ(client->GetResponseCharset(), "");

    // Without redirection the redirect itself is the answer.
    auto direct = TrustingClient(server, "/hop");
    ASSERT_TRUE(direct->SendHttpRequest("GET", true));
    EXPECT_EQ(direct->GetResponseStatusCode(), "302");
    EXPECT_EQ(direct->GetResponseCookies(), "hop=1;");
    EXPECT_EQ(server.CountRequests("/end"), 1u);
}

TEST(WinHttpClientTest, BodiesDecodeByTheCharsetRule) {
    const std::string latin1 = UpgradeTestServer::Hex("caf\xe9 cr\xe8me");
    UpgradeTestServer server(R"({
        "/plain": {"body_hex": ")" +
                             latin1 + R"("},
        "/lying": {"body_hex": ")" +
                             latin1 +
                             R"(", "headers": [["Content-Type", "text/plain; charset=utf-8"]]},
        "/utf8": {"body_hex": "636166c3a9", "headers": [["Content-Type", "text/plain; charset=utf-8"]]}})");
    ASSERT_TRUE(server.Ok());
    for (const char* path : {"/plain", "/lying"}) {
        auto client = TrustingClient(server, path);
        ASSERT_TRUE(client->SendHttpRequest()) << path;
        EXPECT_EQ(client->GetResponseContent(), "caf\xc3\xa9 cr\xc3\xa8me") << path;
    }
    auto client = TrustingClient(server, "/utf8");
    ASSERT_TRUE(client->SendHttpRequest());
    EXPECT_EQ(client->GetResponseContent(), "caf\xc3\xa9");
}

TEST(WinHttpClientTest, AnUnclosedHtmlBodyFailsAllThreeAttempts) {
    UpgradeTestServer server(R"({"/cut": {"body": "<html><body>half"},
                                 "/whole": {"body": "<html></html>"}})");
    ASSERT_TRUE(server.Ok());
    auto cut = TrustingClient(server, "/cut");
    EXPECT_FALSE(cut->SendHttpRequest());
    EXPECT_EQ(cut->GetLastError(), WinHttpClient::kInvalidData);
    EXPECT_EQ(server.CountRequests("/cut"), 3u);
    // Without redirection the rule does not apply.
    auto direct = TrustingClient(server, "/cut");
    EXPECT_TRUE(direct->SendHttpRequest("GET", true));
    auto whole = TrustingClient(server, "/whole");
    EXPECT_TRUE(whole->SendHttpRequest());
}

TEST(WinHttpClientTest, AStallFailsEachAttemptAfterTheReceiveLimit) {
    UpgradeTestServer server(R"({"/slow": {"body": "0123456789", "stall_after": 2, "stall": 5}})");
    ASSERT_TRUE(server.Ok());
    auto client = TrustingClient(server, "/slow");
    client->SetTimeouts(0, 5000, 1000, 1000);
    const auto start = Clock::now();
    EXPECT_FALSE(client->SendHttpRequest());
    const auto took = Clock::now() - start;
    EXPECT_EQ(client->GetLastError(), CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(server.CountRequests("/slow"), 3u);
    EXPECT_LT(took, std::chrono::seconds(12));
}

TEST(WinHttpClientTest, RefusedConnectionsCertificatesAndBodiesFail) {
    // A port nobody listens on: bound, then closed.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    WinHttpClient closed("https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x");
    const auto start = Clock::now();
    EXPECT_FALSE(closed.SendHttpRequest());
    EXPECT_EQ(closed.GetLastError(), CURLE_COULDNT_CONNECT);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    for (auto cert : {UpgradeTestServer::Cert::kUntrusted, UpgradeTestServer::Cert::kWrongHost}) {
        UpgradeTestServer server(R"({"/x": {"body": "secret"}})", cert);
        ASSERT_TRUE(server.Ok());
        auto client = TrustingClient(server, "/x");
        EXPECT_FALSE(client->SendHttpRequest());
        EXPECT_EQ(client->GetLastError(), CURLE_PEER_FAILED_VERIFICATION);
        EXPECT_EQ(client->GetResponseContent(), "");
        EXPECT_TRUE(server.Requests().empty());
    }

    UpgradeTestServer big(R"({"/big": {"body": "x", "repeat": 5000},
                              "/unannounced": {"body": "x", "repeat": 5000, "no_length": true}})");
    ASSERT_TRUE(big.Ok());
    for (const char* path : {"/big", "/unannounced"}) {
        auto client = TrustingClient(big, path);
        client->SetBodyCap(4096);
        EXPECT_FALSE(client->SendHttpRequest()) << path;
        EXPECT_EQ(client->GetLastError(), CURLE_WRITE_ERROR) << path;
    }
    // Other schemes are not spoken at all.
    WinHttpClient file("file:///etc/passwd");
    EXPECT_FALSE(file.SendHttpRequest());
    EXPECT_EQ(file.GetResponseContent(), "");
}

TEST(WinHttpClientTest, CancelEndsABlockedRequestWithinASecondAndStaysSet) {
    UpgradeTestServer server(R"({"/hang": {"body": "0123456789", "stall_after": 1, "stall": 30}})");
    ASSERT_TRUE(server.Ok());
    std::mutex mutex;
    std::condition_variable cv;
    bool receiving = false;
    WinHttpClient client(server.Url("/hang"), [&](uint64_t received, uint64_t) {
        if (received == 0) return;
        std::lock_guard<std::mutex> lock(mutex);
        receiving = true;
        cv.notify_all();
    });
    client.SetCaFile(UpgradeTestServer::CaFile());
    bool result = true;
    std::thread worker([&] { result = client.SendHttpRequest(); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return receiving; }));
    }
    const auto start = Clock::now();
    client.Cancel();
    worker.join();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(result);
    EXPECT_FALSE(client.SendHttpRequest());
    EXPECT_EQ(server.CountRequests("/hang"), 1u);
}

TEST(ResponseHeadersTest, CapturesFollowTheirPatterns) {
    const ResponseHeaders h = ResponseHeaders::Parse(
        "HTTP/2 200\r\ncontent-type: text/html;CHARSET=iso-8859-1;x\r\n"
        "content-length: 12abc\r\nLocation: https://elsewhere/\r\nset-cookie:\t\r\n"
        "Set-Cookie:  k=v\n");
    EXPECT_EQ(h.charset, "iso-8859-1");
    EXPECT_EQ(h.contentLength, "12");
    EXPECT_EQ(h.location, "");
    EXPECT_EQ(h.cookies, "k=v;");
}

}  // namespace
}  // namespace zvp
