// Transitions drawn with whole-surface operations: cross-fade, push scrolls, passages through white
// and black, the flash, and the zoom through a point.
#pragma once

#include "transitions/custom_wipe.h"

namespace kuzo {

// Cross-fade; non-zero parameters slide the incoming picture in from that offset.
class TWipeFade : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

// Push: the incoming picture pushes the outgoing one out to the left (to the right with Reverse).
class TWipeScrollH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

class TWipeScrollV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

// Through white: the outgoing picture brightens to white, the incoming one comes back from it.
class TWipeWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
  virtual bool Darken() const { return false; }
};

class TWipeBlack : public TWipeWhite {
 public:
  using TWipeWhite::TWipeWhite;

 protected:
  bool Darken() const override { return true; }
};

// The incoming picture at once, brightened by a grey that fades away.
class TWipeFlash : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

// Zoom into the point (param 0, param 1) of the outgoing picture, then out of the incoming one.
class TWipeZoomin : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawFrame() override;
};

}  // namespace kuzo
