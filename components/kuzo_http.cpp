// Download components: starting a transfer, its completion on the main thread, and the response
// as Shift-JIS lines.
#include "components/kuzo_http.h"

#include "scene/component_services.h"

namespace kuzo {

namespace {
constexpr char kIndirectPrefix = '!';
constexpr char kLineSeparator = '\x01';
constexpr unsigned char kEucKana = 0x8E;    // a half-width katakana byte follows
constexpr unsigned char kEucSupplement = 0x8F;  // a three-byte character of the supplementary set

bool EucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// One JIS X 0208 row/cell pair (0x21..0x7E each) in Shift-JIS.
void AppendShiftJis(std::string& out, int j1, int j2) {
  const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  const int s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  out.push_back(static_cast<char>(s1));
  out.push_back(static_cast<char>(s2));
}
}  // namespace

std::string EucJpToShiftJis(const std::string& euc) {
  std::string out;
  out.reserve(euc.size());
  for (size_t i = 0; i < euc.size(); ++i) {
    const auto c = static_cast<unsigned char>(euc[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c == kEucKana && i + 1 < euc.size()) {
      out.push_back(euc[++i]);
    } else if (c == kEucSupplement && i + 2 < euc.size()) {
      i += 2;
      out.push_back('?');
    } else if (EucByte(c) && i + 1 < euc.size() && EucByte(static_cast<unsigned char>(euc[i + 1]))) {
      AppendShiftJis(out, c - 0x80, static_cast<unsigned char>(euc[++i]) - 0x80);
    } else {
      out.push_back('?');  // a stray byte
    }
  }
  return out;
}

void TKuzoHttp::Start(const std::string& value) {
  if (download_.Running()) return;
  response_.clear();
  std::string url = value;
  if (!value.empty() && value[0] == kIndirectPrefix) {
    ComponentServices* s = Services();
    auto* other = s ? dynamic_cast<TKuzoHttp*>(s->FindComponent(value.substr(1))) : nullptr;
    url = other && !other->IsBusy() ? other->Response() : std::string();
  }
  url_ = url;
  // A URL that is not http or https counts as a transfer that ended at once.
  download_.Start(url, platform::ProxyAddress(proxyHost_, proxyPort_));
  transferring_ = true;
}

void TKuzoHttp::SetProxy(const std::string& text) {
  const size_t colon = text.find(':');
  proxyHost_ = text.substr(0, colon);
  proxyPort_ = colon == std::string::npos ? std::string() : text.substr(colon + 1);
}

bool TKuzoHttp::Tick() {
  if (transferring_ && download_.TakeFinished()) {
    transferring_ = false;
    response_ = download_.Body();
    ComponentServices* s = Services();
    const bool closing = s && s->Clock() && s->Clock()->terminateRequested;
    if (!closing && s && !playEndLabel_.empty()) s->QueueEvent(this, playEndLabel_, nullptr, EV_PLAYEND);
  }
  return false;
}

std::string TKuzoHttp::GetStrProp(PropId id) const {
  switch (id) {
    case PR_SOURCE: return url_;
    case PR_ONPLAYEND: return playEndLabel_;
    case PR_TEXT: {
      // The response is read only once the worker has finished with it.
      if (download_.Running()) return {};
      const std::string text = EucJpToShiftJis(response_);
      std::string joined;
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!joined.empty() || start > 0) joined.push_back(kLineSeparator);
        joined += line;
        start = end + 1;
      }
      return joined;
    }
    default: return TKuzoComponent::GetStrProp(id);
  }
}

void TKuzoHttp::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_SOURCE: Start(v); break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    default: TKuzoComponent::SetStrProp(id, v); break;
  }
}

}  // namespace kuzo
