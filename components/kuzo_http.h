// TKuzoHttp: the download component. Setting its source fetches the URL (http or https, size
// capped) on a worker thread; when the transfer ends, its play-end event is queued on the main
// thread and the response reads as text converted from EUC-JP, one line per 0x01-separated part.
// A source of "!NAME" fetches the URL held in the response of the download named NAME. A proxy,
// when set, carries every transfer.
#pragma once

#include <memory>
#include <string>

#include "platform/http_download.h"
#include "scene/kuzo_object.h"

namespace kuzo {

// EUC-JP bytes converted to Shift-JIS: two-byte JIS characters and half-width katakana map
// across; characters Shift-JIS cannot hold (the supplementary three-byte set) become "?".
std::string EucJpToShiftJis(const std::string& euc);

class TKuzoHttp : public TKuzoComponent {
 public:
  static constexpr int32_t kKindCode = LT_HTTP;
  int32_t KindCode() const override { return kKindCode; }
  // Freeing waits for a running transfer to end.
  ~TKuzoHttp() override = default;

  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;
  bool IsBusy() const override { return download_.Running(); }
  bool Tick() override;

  // The response body of the last finished transfer (empty while one runs).
  const std::string& Response() const { return response_; }

  // The proxy as one text: the host, a colon and the port (the text before the first ":" is the
  // host, the rest the port); read back as "host:port". An empty host means no proxy; so does an
  // address that is not a plain host with a port number (the transfer then goes direct).
  void SetProxy(const std::string& text);
  std::string Proxy() const { return proxyHost_ + ":" + proxyPort_; }

 private:
  void Start(const std::string& value);

  platform::HttpDownload download_;
  std::string url_;
  std::string response_;
  std::string playEndLabel_;
  std::string proxyHost_, proxyPort_;
  bool transferring_ = false;
};

}  // namespace kuzo
