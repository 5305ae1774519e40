// HTTP downloads against a one-shot server on the loopback interface: the body arrives, the size
// cap ends a transfer, other schemes never start, and freeing a running download waits for it.
#include "platform/http_download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kuzo::platform {
namespace {

// Answers one request with `body` after `delayMs`.
class OneShotServer {
 public:
  OneShotServer(std::string body, int delayMs) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd_, 1);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this, body = std::move(body), delayMs] {
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      std::string request;
      char buf[1024];
      ssize_t n;
      while (request.find("\r\n\r\n") == std::string::npos && (n = read(client, buf, sizeof buf)) > 0) request.append(buf, size_t(n));
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      const std::string reply =
          "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
      (void)!write(client, reply.data(), reply.size());
      close(client);
    });
  }
  ~OneShotServer() {
    thread_.join();
    close(fd_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/data.txt"; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

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
