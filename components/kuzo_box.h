// TKuzoBox: a filled rectangle with an optional frame, drawn with the opacity rule (0 nothing,
// 1-254 blend, 255 opaque, 256-511 additive), and optionally moved by an attached motion file.
#pragma once

#include <string>

#include "scene/kuzo_control.h"

namespace kuzo {

class TKuzoBox : public TKuzoControl {
 public:
  static constexpr int32_t kKindCode = LT_BOX;
  int32_t KindCode() const override { return kKindCode; }

  void Draw() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

  // Scales each channel of a colour by strength/256 (the colour an additive fill adds).
  static int32_t ScaleColor(int32_t color, int32_t strength);

 private:
  void SetSource(const std::string& source);
  void FillWithRule(TCustomDIBX& s, const TRect& r);
  void FrameWithRule(TCustomDIBX& s, const TRect& r, int thickness);

  int32_t borderWidth_ = 0;
  int32_t borderColor_ = 0;
  int32_t alpha_ = 255;
  std::string idleLabel_;
  std::string source_;
  bool repeat_ = false;
  bool autoScrap_ = false;
  std::string playEndLabel_;
  bool paused_ = false;
};

}  // namespace kuzo
