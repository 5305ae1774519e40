// HTTP downloads against a one-shot server on the loopback interface: the body arrives, the size
// cap ends a transfer, other schemes never start, and freeing a running download waits for it.
#include "platform/http_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/platform/one_shot_server.h"

namespace kuzo::platform {
namespace {

using testing::OneShotServer;

bool WaitFinished(HttpDownload& d) {
  for (int i = 0; i < 500; ++i) {
    if (d.TakeFinished()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(HttpDownloadTest, TheBodyArrivesAndTheEndIsReportedOnce) {
  OneShotServer server("line one\nline two", 0);
  HttpDownload download;
  ASSERT_TRUE(download.Start(server.Url()));
  ASSERT_TRUE(WaitFinished(download));
  EXPECT_FALSE(download.TakeFinished());
  EXPECT_TRUE(download.Succeeded());
  EXPECT_EQ(download.Status(), 200);
  EXPECT_EQ(download.Body(), "line one\nline two");
}

TEST(HttpDownloadTest, BodiesOverTheCapEndTheTransfer) {
  OneShotServer server(std::string(5000, 'x'), 0);
  HttpDownload download;
  ASSERT_TRUE(download.Start(server.Url(), {}, 100));
  ASSERT_TRUE(WaitFinished(download));
  EXPECT_FALSE(download.Succeeded());
  EXPECT_LE(download.Body().size(), 100u);
}

TEST(HttpDownloadTest, OnlyHttpAndHttpsStart) {
  EXPECT_TRUE(IsHttpUrl("HTTP://example.invalid/"));
  EXPECT_TRUE(IsHttpUrl("https://example.invalid/"));
  EXPECT_FALSE(IsHttpUrl("file:///etc/passwd"));
  EXPECT_FALSE(IsHttpUrl("ftp://example.invalid/"));
  EXPECT_FALSE(IsHttpUrl("http:"));
  HttpDownload download;
  EXPECT_FALSE(download.Start("file:///etc/passwd"));
  EXPECT_TRUE(download.TakeFinished()) << "a refused URL ends at once, so a waiting script goes on";
  EXPECT_FALSE(download.Succeeded());
  EXPECT_TRUE(download.Body().empty());
}

TEST(HttpDownloadTest, AProxyReceivesTheWholeUrlAndAnswersForTheServer) {
  OneShotServer proxy("from the proxy", 0);
  HttpDownload download;
  // The host does not exist: only the proxy can answer.
  ASSERT_TRUE(download.Start("http://kuzo.invalid/page.txt", ProxyAddress("127.0.0.1", std::to_string(proxy.Port()))));
  ASSERT_TRUE(WaitFinished(download));
  EXPECT_TRUE(download.Succeeded());
  EXPECT_EQ(download.Body(), "from the proxy");
  EXPECT_EQ(proxy.Request().rfind("GET http://kuzo.invalid/page.txt HTTP/1.1\r\n", 0), 0u) << proxy.Request();
}

TEST(HttpDownloadTest, WithoutAProxyTransfersIgnoreTheEnvironmentsProxy) {
  OneShotServer server("direct", 0);
  setenv("http_proxy", "http://127.0.0.1:9", 1);  // the discard port: nothing answers there
  HttpDownload download;
  ASSERT_TRUE(download.Start(server.Url()));
  ASSERT_TRUE(WaitFinished(download));
  unsetenv("http_proxy");
  EXPECT_EQ(download.Body(), "direct");
}

TEST(HttpDownloadTest, ProxyAddressesAreHttpHostsWithAPortNumber) {
  EXPECT_EQ(ProxyAddress("proxy.example", "8080"), "http://proxy.example:8080");
  EXPECT_EQ(ProxyAddress("10.0.0.1", ""), "http://10.0.0.1");
  EXPECT_EQ(ProxyAddress("", "8080"), "");
  EXPECT_EQ(ProxyAddress("proxy", "80a"), "");
  EXPECT_EQ(ProxyAddress("proxy", "0"), "");
  EXPECT_EQ(ProxyAddress("proxy", "65536"), "");
  EXPECT_EQ(ProxyAddress("proxy", "65535"), "http://proxy:65535");
  EXPECT_EQ(ProxyAddress("proxy", "123456"), "");
  // A host text cannot smuggle in another scheme, a user or a path.
  EXPECT_EQ(ProxyAddress("socks5", "//evil:1080"), "");
  EXPECT_EQ(ProxyAddress("user@proxy", "80"), "");
  EXPECT_EQ(ProxyAddress("proxy/x", "80"), "");
  // Nor can a caller hand a transfer a proxy of another scheme.
  HttpDownload download;
  EXPECT_FALSE(download.Start("http://kuzo.invalid/", "socks5://127.0.0.1:1080"));
  EXPECT_TRUE(download.TakeFinished());
  EXPECT_FALSE(download.Succeeded());
}

TEST(HttpDownloadTest, OneTransferAtATimeAndFreeingWaitsForIt) {
  OneShotServer server("late", 200);
  auto download = std::make_unique<HttpDownload>();
  ASSERT_TRUE(download->Start(server.Url()));
  EXPECT_TRUE(download->Running());
  EXPECT_FALSE(download->Start(server.Url()));
  download.reset();  // joins the worker; the server's reply still completes
}

}  // namespace
}  // namespace kuzo::platform
