// TKuzoButton (kind 3): a picture with a frame list per state (normal, hover, pressed or selected,
// clicked). The mouse moves it between the states; a press released on it clicks it, which raises
// its notify event and plays the clicked pictures before it returns. Buttons with a group index
// under one parent act as a group of which one (or, when allowed, none) is selected.
#pragma once

#include <string>

#include "components/kuzo_images.h"

namespace kuzo {

class TKuzoButton : public TKuzoImages {
 public:
  static constexpr int32_t kKindCode = LT_BUTTON;
  int32_t KindCode() const override { return kKindCode; }

  enum State : int32_t { kNormal = 0, kHover = 1, kPressed = 2, kClicked = 3 };
  static constexpr int kStateCount = 4;

  TKuzoButton() : TKuzoImages(kStateCount) {}

  int32_t GetState() const { return state_; }
  // Shows state `s` from its first frame. While the clicked pictures play, `s` is only remembered
  // for afterwards; states without pictures (other than normal) are skipped.
  void SetState(int32_t s);
  // The notify event; then the clicked state (without group) or the selection toggle (in a group).
  void Click();
  void SetStateSource(int state, const std::string& source);
  const std::string& StateSource(int state) const;
  bool Selected() const { return selected_; }
  void SetSelected(bool v);
  int32_t GroupIndex() const { return group_; }

  bool Tick() override;
  void MouseMove() override;
  void MouseOut(TKuzoControl* next) override;
  void LeftDown() override;
  void LeftUp() override;
  void PointerRestored(uint8_t capture) override;
  // Enter or Space repeating on the focused button clicks it.
  void KeyRepeat() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  int ShownList() const override { return state_; }

 private:
  bool StateHasPictures(int32_t s) const;
  // Whether the mouse of the button's base hits this button (press modes).
  bool MouseOnButton();
  // The selection of the group of this button (see the class comment).
  void RunGroupRule();
  std::vector<TKuzoButton*> GroupMembers() const;
  void ApplySelected(bool v);

  static constexpr int32_t kPressIdle = 0;
  static constexpr int32_t kPressHeld = 1;
  static constexpr int32_t kPressDestroy = -1;

  std::string stateSources_[kStateCount];  // 0 is the image source; 1 hover, 2 pressed, 3 clicked
  int32_t state_ = kNormal;
  int32_t pending_ = kNormal;
  int32_t press_ = kPressIdle;
  int32_t group_ = 0;
  bool selected_ = false;
  bool allowAllUp_ = false;
  std::string notifyLabel_;
};

}  // namespace kuzo
