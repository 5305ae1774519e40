// One HTTP GET into memory on a worker thread, for the download component: only "http" and "https"
// URLs, an optional HTTP proxy (host and port; https goes through it as a tunnel), a cap on the
// response size, and a finished flag the main thread polls. Without a proxy of its own a transfer
// goes direct, whatever proxy the environment names. The worker writes the body only while it runs; after Finished() answers true the
// main thread alone reads it. Freeing the download waits for the worker.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace kuzo::platform {

class HttpDownload {
 public:
  // Bodies beyond this many bytes end the transfer as failed (the bytes so far are kept).
  static constexpr size_t kDefaultMaxBytes = size_t{16} << 20;

  HttpDownload() = default;
  ~HttpDownload();
  HttpDownload(const HttpDownload&) = delete;
  HttpDownload& operator=(const HttpDownload&) = delete;

  // Starts a transfer; false (and nothing starts) while one runs or for a URL that is not http or
  // https. A refused URL counts as a finished, failed transfer. `proxy` is a ProxyAddress or empty.
  bool Start(const std::string& url, const std::string& proxy = {}, size_t maxBytes = kDefaultMaxBytes);
  bool Running() const { return running_.load(std::memory_order_acquire); }
  // True once after a transfer ended (successfully or not); joins the worker.
  bool TakeFinished();
  bool Succeeded() const { return succeeded_; }
  long Status() const { return status_; }
  // The response body; only while no transfer runs.
  const std::string& Body() const { return body_; }

 private:
  static size_t Write(char* data, size_t size, size_t count, void* self);
  void Run(std::string url, std::string proxy);
  void Join();

  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> finished_{false};
  std::string body_;
  size_t maxBytes_ = kDefaultMaxBytes;
  bool succeeded_ = false;
  long status_ = 0;
};

// Whether a URL names the http or https scheme (case-insensitive).
bool IsHttpUrl(const std::string& url);

// The HTTP proxy address for a host and a port ("http://host:port", or without ":port" for an
// empty port); empty, meaning no proxy, for an empty host, a port that is not a number from 1 to
// 65535, or a host that would make the address name another scheme, a path or a user.
std::string ProxyAddress(const std::string& host, const std::string& port);

}  // namespace kuzo::platform
