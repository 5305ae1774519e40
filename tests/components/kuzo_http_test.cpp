// Download components: EUC-JP text converted to Shift-JIS, a transfer from a loopback server whose
// end raises the play-end event on a scene tick, the response as 0x01-separated lines, the "!"
// form fetching the URL another download received, refused schemes, and a busy component.
#include "components/kuzo_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/components/media_test_scene.h"
#include "tests/platform/one_shot_server.h"

namespace kuzo {
namespace {

using platform::testing::OneShotServer;
using testing::MediaScene;

TEST(EucJpToShiftJis, MapsTwoByteCharactersKanaAndAscii) {
  // "あ" (EUC A4A2, SJIS 82A0), "漢" (EUC B4C1, SJIS 8ABF), "ア" (A5A2 -> 8341), row 0x5F+ ("黒" EUC
  // B9F5 -> 8D95), half-width "ｱ" (8EB1 -> B1).
  EXPECT_EQ(EucJpToShiftJis("a\xA4\xA2" "b"), "a\x82\xA0" "b");
  EXPECT_EQ(EucJpToShiftJis("\xB4\xC1"), "\x8A\xBF");
  EXPECT_EQ(EucJpToShiftJis("\xA5\xA2"), "\x83\x41");
  EXPECT_EQ(EucJpToShiftJis("\xB9\xF5"), "\x8D\x95");
  EXPECT_EQ(EucJpToShiftJis("\x8E\xB1"), "\xB1");
  // Rows above 0x5E use the second lead-byte range: the last cell, EUC FEFE (row and cell 0x7E),
  // is SJIS EFFC.
  EXPECT_EQ(EucJpToShiftJis("\xFE\xFE"), "\xEF\xFC");
  // The supplementary set and stray or cut bytes become '?'.
  EXPECT_EQ(EucJpToShiftJis("\x8F\xB0\xA1" "x"), "?x");
  EXPECT_EQ(EucJpToShiftJis("\xA4"), "?");
  EXPECT_EQ(EucJpToShiftJis("\xA4" "A"), "?A");
}

bool TickUntilDone(MediaScene& s, TKuzoHttp& http) {
  for (int i = 0; i < 500; ++i) {
    s.Step(10);
    if (!http.IsBusy() && s.EventsOf(&http, EV_PLAYEND) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(HttpComponent, TransferEndsWithPlayEndAndTheResponseReadsAsLines) {
  MediaScene s(false);
  OneShotServer server("first\r\nsecond \xA4\xA2\nthird\n", 0);
  auto* http = s.Create<TKuzoHttp>("dl");
  http->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  http->SetStrProp(PR_SOURCE, server.Url());
  EXPECT_EQ(http->GetStrProp(PR_SOURCE), server.Url());
  ASSERT_TRUE(TickUntilDone(s, *http));
  EXPECT_EQ(s.EventsOf(http, EV_PLAYEND), 1);
  EXPECT_EQ(http->GetStrProp(PR_TEXT), "first\x01second \x82\xA0\x01third");
  s.Step(10);
  EXPECT_EQ(s.EventsOf(http, EV_PLAYEND), 1);  // once
}

TEST(HttpComponent, IndirectSourceFetchesTheUrlAnotherDownloadReceived) {
  MediaScene s(false);
  OneShotServer target("payload", 0);
  OneShotServer pointer(target.Url(), 0);
  auto* first = s.Create<TKuzoHttp>("first");
  first->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  first->SetStrProp(PR_SOURCE, pointer.Url());
  ASSERT_TRUE(TickUntilDone(s, *first));
  auto* second = s.Create<TKuzoHttp>("second");
  second->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  second->SetStrProp(PR_SOURCE, "!first");
  EXPECT_EQ(second->GetStrProp(PR_SOURCE), target.Url());
  ASSERT_TRUE(TickUntilDone(s, *second));
  EXPECT_EQ(second->GetStrProp(PR_TEXT), "payload");
}

TEST(HttpComponent, OtherSchemesEndAtOnceWithAnEmptyResponse) {
  MediaScene s(false);
  auto* http = s.Create<TKuzoHttp>("dl");
  http->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  http->SetStrProp(PR_SOURCE, "file:///etc/passwd");
  EXPECT_FALSE(http->IsBusy());
  s.Step(10);
  EXPECT_EQ(s.EventsOf(http, EV_PLAYEND), 1);
  EXPECT_EQ(http->GetStrProp(PR_TEXT), "");
}

TEST(HttpComponent, TheProxyIsOneTextSplitAtItsFirstColonAndCarriesTransfers) {
  MediaScene s(false);
  auto* http = s.Create<TKuzoHttp>("dl");
  EXPECT_EQ(http->Proxy(), ":");
  http->SetProxy("proxy.example:8080");
  EXPECT_EQ(http->Proxy(), "proxy.example:8080");
  http->SetProxy("host:80:extra");  // the rest after the first colon is the port
  EXPECT_EQ(http->Proxy(), "host:80:extra");
  http->SetProxy("hostonly");
  EXPECT_EQ(http->Proxy(), "hostonly:");

  OneShotServer proxy("via proxy", 0);
  http->SetProxy("127.0.0.1:" + std::to_string(proxy.Port()));
  http->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  http->SetStrProp(PR_SOURCE, "http://kuzo.invalid/news.txt");
  ASSERT_TRUE(TickUntilDone(s, *http));
  EXPECT_EQ(http->GetStrProp(PR_TEXT), "via proxy");
  EXPECT_NE(proxy.Request().find("kuzo.invalid/news.txt"), std::string::npos) << proxy.Request();
}

TEST(HttpComponent, AProxyWithoutAPortNumberIsNotUsed) {
  MediaScene s(false);
  OneShotServer server("direct", 0);
  auto* http = s.Create<TKuzoHttp>("dl");
  http->SetProxy("127.0.0.1:http");
  http->SetStrProp(PR_ONPLAYEND, "main.kss:done");
  http->SetStrProp(PR_SOURCE, server.Url());
  ASSERT_TRUE(TickUntilDone(s, *http));
  EXPECT_EQ(http->GetStrProp(PR_TEXT), "direct");
}

TEST(HttpComponent, BusyWhileATransferRunsAndFreeingWaitsForIt) {
  MediaScene s(false);
  OneShotServer slow("late", 300);
  auto* http = s.Create<TKuzoHttp>("dl");
  http->SetStrProp(PR_SOURCE, slow.Url());
  EXPECT_TRUE(http->IsBusy());
  EXPECT_EQ(http->GetStrProp(PR_TEXT), "");
  // A new source is ignored while the transfer runs.
  http->SetStrProp(PR_SOURCE, "http://127.0.0.1:1/other");
  EXPECT_EQ(http->GetStrProp(PR_SOURCE), slow.Url());
  http->Delete();
  s.Step(10);  // freed: the worker is joined, the server's answer is taken
  EXPECT_EQ(s.scene.FindComponent("dl"), nullptr);
}

}  // namespace
}  // namespace kuzo
