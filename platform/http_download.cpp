// HTTP transfers with libcurl's easy interface on a worker thread. Redirects are followed only to
// http and https, so a server cannot send the client to a local file.
#include "platform/http_download.h"

#include <curl/curl.h>

#include <mutex>

namespace kuzo::platform {

namespace {
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 300;
constexpr long kMaxRedirects = 5;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
}  // namespace

bool IsHttpUrl(const std::string& url) {
  std::string head = url.substr(0, 8);
  for (char& c : head) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

std::string ProxyAddress(const std::string& host, const std::string& port) {
  if (host.empty() || host.find_first_of(":/@?# \t\r\n") != std::string::npos) return {};
  if (!port.empty()) {
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return {};
    const int number = std::stoi(port);
    if (number < 1 || number > 65535) return {};
  }
  return "http://" + host + (port.empty() ? "" : ":" + port);
}

HttpDownload::~HttpDownload() { Join(); }

void HttpDownload::Join() {
  if (worker_.joinable()) worker_.join();
}

bool HttpDownload::Start(const std::string& url, const std::string& proxy, size_t maxBytes) {
  if (Running()) return false;
  Join();
  body_.clear();
  succeeded_ = false;
  status_ = 0;
  maxBytes_ = maxBytes;
  // Other schemes, for the URL or the proxy, are never used.
  if (!IsHttpUrl(url) || (!proxy.empty() && proxy.rfind("http://", 0) != 0)) {
    finished_.store(true, std::memory_order_release);
    return false;
  }
  GlobalInit();
  finished_.store(false, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  worker_ = std::thread(&HttpDownload::Run, this, url, proxy);
  return true;
}

bool HttpDownload::TakeFinished() {
  if (!finished_.load(std::memory_order_acquire)) return false;
  Join();
  finished_.store(false, std::memory_order_release);
  return true;
}

size_t HttpDownload::Write(char* data, size_t size, size_t count, void* self) {
  auto* download = static_cast<HttpDownload*>(self);
  const size_t bytes = size * count;
  if (download->body_.size() + bytes > download->maxBytes_) return 0;  // ends the transfer as failed
  download->body_.append(data, bytes);
  return bytes;
}

void HttpDownload::Run(std::string url, std::string proxy) {
  CURL* curl = curl_easy_init();
  if (curl) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpDownload::Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    // An empty proxy also turns off the proxies the environment names.
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    const CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    status_ = status;
    succeeded_ = rc == CURLE_OK && status >= 200 && status < 300;
    curl_easy_cleanup(curl);
  }
  running_.store(false, std::memory_order_release);
  finished_.store(true, std::memory_order_release);
}

}  // namespace kuzo::platform
