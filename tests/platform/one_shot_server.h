// A one-shot HTTP server on the loopback interface for the download tests: it answers one
// request with a fixed body after a delay and keeps the request's head (a proxy sees the whole URL
// in the request line).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace kuzo::platform::testing {

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
      {
        std::lock_guard lock(mutex_);
        request_ = request;
      }
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
  int Port() const { return port_; }
  // The head of the request received so far (empty before one came).
  std::string Request() const {
    std::lock_guard lock(mutex_);
    return request_;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};

}  // namespace kuzo::platform::testing
