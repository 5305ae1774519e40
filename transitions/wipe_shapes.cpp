// Clock hand, fans, circle and block orders: mask builders for TWipeMask.
#include "transitions/wipe_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kuzo {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMinBlock = 10;

// Angle wrapped into [0, 2 pi).
double Wrap(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

// Angle wrapped into (-pi, pi].
double WrapSigned(double a) {
  a = Wrap(a);
  return a > kPi ? a - 2 * kPi : a;
}

}  // namespace

// --- angle masks ----------------------------------------------------------------------------------

void TWipeAngleMask::SetParam(int index, int32_t value) {
  TWipeMask::SetParam(index, value);
  if (index == 0) startAngle_ = StartAngleFor(Params[0]);
}

void TWipeAngleMask::Prepare() {
  TWipeMask::Prepare();
  BuildKeys();
}

void TWipeAngleMask::BuildKeys() {
  const size_t n = static_cast<size_t>(W()) * static_cast<size_t>(H());
  if (keys_.size() != n || keyedStart_ != startAngle_ || keyedReverse_ != Reverse) {
    keys_.resize(n);
    keyedStart_ = startAngle_;
    keyedReverse_ = Reverse;
    const int cx = W() / 2, cy = H() / 2;
    runs_.clear();
    rowRuns_.assign(static_cast<size_t>(H()) + 1, 0);
    for (int y = 0; y < H(); ++y) {
      float* k = &keys_[static_cast<size_t>(y) * W()];
      for (int x = 0; x < W(); ++x) k[x] = static_cast<float>(Key(std::atan2(double(y - cy), double(x - cx))));
      // The row in maximal stretches along which the key never falls (or never rises): a frame's
      // covered part of each stretch is then one end of it, found by bisection.
      int a = 0;
      while (a < W()) {
        int b = a + 1;
        int direction = 0;  // 1 rising, -1 falling, 0 not yet known
        while (b < W()) {
          const int step = k[b] > k[b - 1] ? 1 : (k[b] < k[b - 1] ? -1 : 0);
          if (step != 0 && direction != 0 && step != direction) break;
          if (step != 0) direction = step;
          ++b;
        }
        runs_.push_back(KeyRun{a, b, direction >= 0});
        a = b;
      }
      rowRuns_[static_cast<size_t>(y) + 1] = runs_.size();
    }
  }
}

bool TWipeAngleMask::UpdateMask() {
  // The covered set depends on Elapsed alone, so a new Elapsed is a new level.
  if (!NewLevel(Elapsed)) return false;
  BuildKeys();
  // The sector's radius, hypot(W div 2, H div 2), reaches every pixel, so only the angle decides.
  const float t = static_cast<float>(Threshold());
  const bool inclusive = Inclusive();
  const auto covered = [t, inclusive](float k) { return inclusive ? k <= t : k < t; };
  for (int y = 0; y < H(); ++y) {
    uint8_t* row = MaskRow(y);
    const float* k = &keys_[static_cast<size_t>(y) * W()];
    std::memset(row, 0, static_cast<size_t>(W()));
    for (size_t r = rowRuns_[static_cast<size_t>(y)]; r < rowRuns_[static_cast<size_t>(y) + 1]; ++r) {
      const KeyRun& run = runs_[r];
      // Along a rising stretch the covered keys come first, along a falling one last.
      if (run.rising) {
        const float* end = std::partition_point(k + run.begin, k + run.end, covered);
        std::memset(row + run.begin, 255, static_cast<size_t>(end - (k + run.begin)));
      } else {
        const float* start = std::partition_point(k + run.begin, k + run.end, [&](float v) { return !covered(v); });
        std::memset(row + (start - k), 255, static_cast<size_t>((k + run.end) - start));
      }
    }
  }
  HardEdge = true;
  return true;
}

double TWipeClockhand::StartAngleFor(int32_t degrees) const { return degrees * kPi / 180.0; }

// How far the hand must turn to reach the pixel: clockwise from the start (counter-clockwise with
// Reverse), the pixel's clock angle measured from 12 o'clock.
double TWipeClockhand::Key(double theta) const {
  const double clock = theta + kPi / 2;
  return Reverse != 0 ? Wrap(startAngle_ - clock) : Wrap(clock - startAngle_);
}

double TWipeClockhand::Threshold() const { return 2 * kPi * Progress(); }

double TWipeFan::StartAngleFor(int32_t degrees) const { return degrees / 360.0 * 2 * kPi - kPi / 2; }

double TWipeFan::Key(double theta) const { return std::abs(WrapSigned(theta - startAngle_)); }

double TWipeFan::Threshold() const { return kPi * Progress(); }

double TWipeWFan::Key(double theta) const {
  return std::min(std::abs(WrapSigned(theta - startAngle_)), std::abs(WrapSigned(theta - startAngle_ - kPi)));
}

double TWipeWFan::Threshold() const { return kPi / 2 * Progress(); }

// --- circle ---------------------------------------------------------------------------------------

bool TWipeCircle::UpdateMask() {
  const double full = std::hypot(W() / 2.0, H() / 2.0);
  const int32_t r = RoundEven(full * (Reverse != 0 ? Remaining() : Progress()));
  if (!NewLevel(r)) return false;
  const uint8_t inside = Reverse != 0 ? 0 : 255;
  const double r2 = static_cast<double>(r) * r;
  // Pixel centres against the screen centre: (x + 0.5 - W / 2)^2 + (y + 0.5 - H / 2)^2 < r^2.
  const auto in = [&](int x, double dy2) {
    const double dx = x + 0.5 - W() / 2.0;
    return dx * dx + dy2 < r2;
  };
  const int mid = W() / 2;
  for (int y = 0; y < H(); ++y) {
    uint8_t* row = MaskRow(y);
    const double dy = y + 0.5 - H() / 2.0;
    const double dy2 = dy * dy;
    std::memset(row, 255 - inside, static_cast<size_t>(W()));
    // The row's span inside the disc, estimated by the square root and settled by the test itself.
    const double half = r2 > dy2 ? std::sqrt(r2 - dy2) : -1.0;
    int left = static_cast<int>(std::clamp(std::floor(W() / 2.0 - 0.5 - half), 0.0, static_cast<double>(W())));
    int right = static_cast<int>(std::clamp(std::ceil(W() / 2.0 - 0.5 + half), -1.0, W() - 1.0));
    while (left <= mid && left < W() && !in(left, dy2)) ++left;
    while (left > 0 && in(left - 1, dy2)) --left;
    while (right >= left && !in(right, dy2)) --right;
    while (right + 1 < W() && in(right + 1, dy2)) ++right;
    if (left <= right && in(left, dy2)) std::memset(row + left, inside, static_cast<size_t>(right - left + 1));
  }
  HardEdge = true;
  return true;
}

// --- block orders ---------------------------------------------------------------------------------

int TWipeBlockOrder::BlockSize() const {
  const int shorter = std::max(1, std::min(W(), H()));
  return std::clamp(Params[0], std::min(kMinBlock, shorter), shorter);
}

int TWipeBlockOrder::BlockColumns() const { return (W() + BlockSize() - 1) / BlockSize(); }

int TWipeBlockOrder::BlockRows() const { return (H() + BlockSize() - 1) / BlockSize(); }

void TWipeBlockOrder::Prepare() {
  TWipeMask::Prepare();
  order_ = BuildOrder();
}

bool TWipeBlockOrder::UpdateMask() {
  if (order_.empty()) order_ = BuildOrder();
  const int64_t count = static_cast<int64_t>(order_.size());
  if (count == 0) return false;
  if (!NewLevel(Scaled(count - 1))) return false;
  std::fill(Mask.begin(), Mask.end(), 0);
  // Blocks 0 .. level of the order are on; with Reverse the order is taken from its end.
  const int64_t first = Reverse != 0 ? count - 1 - LastLevel : 0;
  const int64_t last = Reverse != 0 ? count - 1 : LastLevel;
  const int bs = BlockSize(), cols = BlockColumns();
  for (int64_t k = std::max<int64_t>(first, 0); k <= last && k < count; ++k) {
    const int32_t b = order_[static_cast<size_t>(k)];
    const int x0 = (b % cols) * bs, y0 = (b / cols) * bs;
    const int x1 = std::min(x0 + bs, W()), y1 = std::min(y0 + bs, H());
    for (int y = y0; y < y1; ++y) std::memset(MaskRow(y) + x0, 255, static_cast<size_t>(x1 - x0));
  }
  HardEdge = true;
  return true;
}

std::vector<int32_t> TWipeBlockCoil::BuildOrder() {
  const int cols = BlockColumns(), rows = BlockRows();
  std::vector<int32_t> order;
  order.reserve(static_cast<size_t>(cols) * static_cast<size_t>(rows));
  int top = 0, bottom = rows - 1, left = 0, right = cols - 1;
  const auto add = [&](int r, int c) { order.push_back(r * cols + c); };
  while (top <= bottom && left <= right) {
    for (int c = left; c <= right; ++c) add(top, c);              // along the top
    for (int r = top + 1; r <= bottom; ++r) add(r, right);        // down the right
    if (top < bottom) {
      for (int c = right - 1; c >= left; --c) add(bottom, c);     // back along the bottom
    }
    if (left < right) {
      for (int r = bottom - 1; r > top; --r) add(r, left);        // up the left
    }
    ++top, --bottom, ++left, --right;
  }
  return order;
}

std::vector<int32_t> TWipeBlockRandom::BuildOrder() {
  const int32_t count = BlockColumns() * BlockRows();
  std::vector<int32_t> remaining(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) remaining[static_cast<size_t>(i)] = i;
  std::vector<int32_t> order;
  order.reserve(remaining.size());
  // Each next block is a uniformly chosen one of those left, which keep their order.
  while (!remaining.empty()) {
    const auto k = static_cast<size_t>(Random(static_cast<int32_t>(remaining.size())));
    order.push_back(remaining[k]);
    remaining.erase(remaining.begin() + static_cast<ptrdiff_t>(k));
  }
  return order;
}

}  // namespace kuzo
