// The demo novel's pictures, painted with soft-edged shapes: each shape is a signed distance
// (negative inside, in pixels) turned into a coverage of 0..1 over the pixel, so every edge is
// smooth without supersampling. Koharu's shapes also build her mask.
#include "tools/demo_novel_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace kuzo::tool {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// A signed distance at a point: negative inside the shape.
using Shape = std::function<double(double x, double y)>;

Shape Ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) { return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1) * std::min(rx, ry); };
}

Shape Box(double left, double top, double right, double bottom, double radius = 0) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
  return [=](double x, double y) {
    const double dx = std::fabs(x - cx) - hx, dy = std::fabs(y - cy) - hy;
    return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0) - radius;
  };
}

// A convex polygon given clockwise in screen coordinates (y down).
Shape Polygon(std::vector<std::pair<double, double>> pts) {
  return [pts](double x, double y) {
    double d = -1e9;
    for (size_t i = 0; i < pts.size(); ++i) {
      const auto [x0, y0] = pts[i];
      const auto [x1, y1] = pts[(i + 1) % pts.size()];
      const double len = std::hypot(x1 - x0, y1 - y0);
      d = std::max(d, ((x - x0) * (y1 - y0) - (y - y0) * (x1 - x0)) / len);
    }
    return d;
  };
}

// A stroke along the segment from (x0, y0) to (x1, y1), `width` pixels wide.
Shape Line(double x0, double y0, double x1, double y1, double width) {
  return [=](double x, double y) {
    const double vx = x1 - x0, vy = y1 - y0;
    const double t = std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(x - x0 - t * vx, y - y0 - t * vy) - width / 2;
  };
}

// The region below the curve y = top(x).
Shape Below(std::function<double(double)> top) {
  return [top](double x, double y) { return top(x) - y; };
}

// A deterministic hash of a number into 0..1, for scattering stars and sparkles.
double Hash(int n) {
  uint32_t h = static_cast<uint32_t>(n) * 2654435761u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  return (h & 0xFFFFFF) / double(0x1000000);
}

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, Rgb{0, 0, 0}), cover_(px_.size(), 0) {}

  // Colour changing from `top` at y0 to `bottom` at y1 (held beyond them), over the rows y0..y1.
  void Gradient(int y0, int y1, Rgb top, Rgb bottom) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y) {
      const Rgb c = Mix(top, bottom, (y - y0) / double(std::max(1, y1 - y0 - 1)));
      for (int x = 0; x < w_; ++x) At(x, y) = c;
    }
  }

  // Paints the shape in a colour (or a colour per point) at the given opacity.
  void Fill(const Shape& s, Rgb c, double alpha = 1) {
    Fill(s, [c](double, double) { return c; }, alpha);
  }
  void Fill(const Shape& s, const std::function<Rgb(double, double)>& colour, double alpha = 1) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const double cx = x + 0.5, cy = y + 0.5;
        const double cov = std::clamp(0.5 - s(cx, cy), 0.0, 1.0) * alpha;
        if (cov <= 0) continue;
        At(x, y) = Mix(At(x, y), colour(cx, cy), cov);
        double& m = cover_[static_cast<size_t>(y) * w_ + x];
        m += cov * (1 - m);
      }
    }
  }

  // Adds light around (cx, cy) that falls off smoothly over `radius` pixels.
  void Glow(double cx, double cy, double radius, Rgb c, double strength) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius;
        if (r > 3) continue;
        const double k = strength * std::exp(-r * r);
        Rgb& p = At(x, y);
        p = {p.r + c.r * k, p.g + c.g * k, p.b + c.b * k};
      }
    }
  }

  TDrelFrameList ToDrel(bool withMask) const {
    TDrelFrameList list;
    TDrelFrame& f = list.Add();
    f.Image.SetSize(w_, h_, 24);
    f.DisplayTime = 0;
    auto byte = [](double v) { return static_cast<Pixel>(std::clamp(std::lround(v), 0L, 255L)); };
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const Rgb& p = px_[static_cast<size_t>(y) * w_ + x];
        f.Image.SetPixel(x, y, byte(p.r) << 16 | byte(p.g) << 8 | byte(p.b));
      }
    }
    if (withMask) {
      TDIBSurface& mask = f.Image.CreateMask(0);
      for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) mask.SetPixel(x, y, byte(cover_[static_cast<size_t>(y) * w_ + x] * 255));
    }
    return list;
  }

 private:
  Rgb& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }

  int w_, h_;
  std::vector<Rgb> px_;
  std::vector<double> cover_;
};

// The red post box on the hill with its weathervane; `light` scales its colours (night: dim).
void PostBox(Canvas& c, double x, double y, double light, Rgb rim) {
  auto lit = [light](Rgb v) { return Rgb{v.r * light, v.g * light, v.b * light}; };
  c.Fill(Box(x + 14, y + 100, x + 42, y + 150), lit({60, 30, 30}));
  c.Fill(Box(x, y, x + 56, y + 108, 8), [&](double px, double) {
    return lit(Mix({235, 70, 60}, {150, 25, 30}, std::clamp((px - x) / 56, 0.0, 1.0)));
  });
  c.Fill(Box(x - 6, y - 8, x + 62, y + 10, 6), lit({170, 35, 35}));
  c.Fill(Box(x + 12, y + 26, x + 44, y + 31, 2), lit({30, 15, 15}));
  c.Fill(Box(x + 3, y + 14, x + 8, y + 100, 2), rim, 0.45);
  // The weathervane: a pole, an arrow and a small cockerel.
  const double vx = x + 100;
  c.Fill(Line(vx, y - 70, vx, y + 150, 4), lit({70, 70, 80}));
  c.Fill(Line(vx - 36, y - 60, vx + 30, y - 60, 3), lit({80, 80, 90}));
  c.Fill(Polygon({{vx + 30, y - 67}, {vx + 42, y - 60}, {vx + 30, y - 53}}), lit({80, 80, 90}));
  c.Fill(Ellipse(vx - 2, y - 80, 14, 10), lit({60, 60, 70}));
  c.Fill(Ellipse(vx + 10, y - 91, 6, 6), lit({60, 60, 70}));
  c.Fill(Polygon({{vx - 14, y - 82}, {vx - 26, y - 98}, {vx - 10, y - 88}}), lit({60, 60, 70}));
  c.Fill(Polygon({{vx + 12, y - 97}, {vx + 16, y - 104}, {vx + 18, y - 95}}), lit({190, 50, 40}));
}

double HillTop(double x) { return 318 - 50 * std::exp(-std::pow((x - 170) / 260, 2)) + 6 * std::sin(x / 37); }

TDrelFrameList Station() {
  Canvas c(640, 480);
  c.Gradient(0, 200, {55, 45, 110}, {225, 120, 115});
  c.Gradient(200, 300, {225, 120, 115}, {255, 195, 130});
  c.Glow(470, 280, 70, {255, 170, 90}, 0.8);
  c.Fill(Ellipse(470, 282, 26, 26), {255, 235, 180});
  for (int i = 0; i < 16; ++i) {  // the town across the line
    const double left = i * 40 + Hash(i) * 10, height = 14 + Hash(i + 50) * 34;
    c.Fill(Box(left, 296 - height, left + 34 + Hash(i + 9) * 12, 302), {75, 55, 85});
    if (Hash(i + 77) > 0.4) c.Fill(Box(left + 8, 300 - height + 8, left + 14, 300 - height + 14), {255, 215, 140});
  }
  c.Gradient(300, 342, {58, 50, 60}, {40, 35, 45});
  for (int rail = 0; rail < 2; ++rail) {
    const double ry = 312 + rail * 18;
    c.Fill(Box(0, ry, 640, ry + 4), {120, 110, 120});
    c.Fill(Box(0, ry, 640, ry + 1.5), {255, 200, 150}, 0.7);
  }
  c.Fill(Box(0, 340, 640, 480), [](double, double y) { return Mix({170, 160, 165}, {110, 100, 110}, (y - 340) / 140); });
  c.Fill(Box(0, 340, 640, 344), {60, 55, 60});
  c.Fill(Box(0, 352, 640, 357), {235, 205, 70});
  // The roof over the platform and its pillars.
  c.Fill(Polygon({{0, 30}, {330, 50}, {330, 70}, {0, 62}}), {70, 60, 75});
  c.Fill(Polygon({{0, 62}, {330, 70}, {330, 76}, {0, 70}}), {40, 35, 45});
  for (double px : {60.0, 270.0}) c.Fill(Box(px, 66, px + 12, 346), {80, 70, 80});
  // The lamp at the end of the platform.
  c.Fill(Box(556, 130, 562, 346), {55, 50, 60});
  c.Fill(Box(544, 118, 574, 136, 4), {60, 55, 65});
  c.Glow(559, 140, 40, {255, 200, 120}, 0.9);
  c.Fill(Ellipse(559, 140, 9, 6), {255, 245, 210});
  // The station's name board (the page writes the name on it): 360..530 x 180..236.
  c.Fill(Box(380, 236, 386, 346), {70, 60, 70});
  c.Fill(Box(504, 236, 510, 346), {70, 60, 70});
  c.Fill(Box(356, 176, 534, 240, 4), {60, 40, 30});
  c.Fill(Box(360, 180, 530, 236, 2), {245, 242, 235});
  return c.ToDrel(false);
}

TDrelFrameList Hill() {
  Canvas c(640, 480);
  c.Gradient(0, 250, {80, 100, 190}, {255, 175, 130});
  c.Gradient(250, 320, {255, 175, 130}, {255, 220, 165});
  c.Glow(520, 235, 80, {255, 160, 80}, 0.7);
  c.Fill(Ellipse(520, 238, 34, 34), {255, 240, 190});
  for (int i = 0; i < 5; ++i) {
    const double cx = 60 + i * 130 + Hash(i) * 40, cy = 70 + Hash(i + 5) * 90;
    c.Fill(Ellipse(cx, cy, 70 + Hash(i + 2) * 40, 10 + Hash(i + 3) * 6), {255, 205, 200}, 0.55);
  }
  c.Fill(Below([](double x) { return 285 + 14 * std::sin(x / 60 + 1) + 8 * std::sin(x / 23); }), {120, 100, 150});
  c.Fill(Below(HillTop), [](double, double y) { return Mix({120, 170, 80}, {40, 90, 45}, (y - 270) / 210); });
  c.Fill(Polygon({{300, 480}, {200, 330}, {232, 330}, {420, 480}}), {190, 170, 120}, 0.6);
  PostBox(c, 140, 190, 1.0, {255, 230, 200});
  return c.ToDrel(false);
}

TDrelFrameList Night() {
  Canvas c(640, 480);
  c.Gradient(0, 320, {8, 12, 40}, {45, 55, 110});
  for (int i = 0; i < 140; ++i) {
    const double x = Hash(i) * 640, y = Hash(i + 1000) * 300, r = 0.6 + Hash(i + 2000) * 1.2;
    c.Fill(Ellipse(x, y, r, r), {255, 250, 230}, 0.5 + Hash(i + 3000) * 0.5);
  }
  c.Glow(566, 72, 60, {150, 170, 220}, 0.5);
  c.Fill(Ellipse(566, 72, 30, 30), {250, 245, 220});
  c.Fill(Ellipse(578, 66, 26, 28), {40, 50, 100}, 0.25);
  c.Fill(Below([](double x) { return 285 + 14 * std::sin(x / 60 + 1) + 8 * std::sin(x / 23); }), {30, 30, 60});
  c.Fill(Below(HillTop), [](double, double y) { return Mix({35, 60, 60}, {12, 25, 25}, (y - 270) / 210); });
  PostBox(c, 140, 190, 0.4, {200, 210, 255});
  for (int i = 0; i < 7; ++i) c.Glow(260 + Hash(i + 70) * 360, 340 + Hash(i + 80) * 120, 6, {220, 255, 120}, 0.9);
  return c.ToDrel(false);
}

TDrelFrameList Room() {
  Canvas c(640, 480);
  c.Gradient(0, 360, {205, 180, 140}, {150, 120, 95});
  c.Fill(Box(0, 360, 640, 480), [](double x, double y) {
    const double plank = std::fmod(x + (static_cast<int>(y) / 40 % 2) * 70, 140) < 2 ? 0.7 : 1.0;
    const Rgb wood = Mix({125, 85, 55}, {90, 60, 40}, (y - 360) / 120);
    return Rgb{wood.r * plank, wood.g * plank, wood.b * plank};
  });
  for (int i = 0; i < 3; ++i) c.Fill(Box(0, 399 + i * 40, 640, 401 + i * 40), {70, 45, 30});
  // The window: the night outside with the moon.
  c.Fill(Box(374, 54, 586, 216, 3), {120, 90, 60});
  c.Fill(Box(382, 62, 578, 208), [](double, double y) { return Mix({15, 20, 55}, {50, 60, 120}, (y - 62) / 146); });
  for (int i = 0; i < 20; ++i) c.Fill(Ellipse(385 + Hash(i) * 190, 65 + Hash(i + 40) * 140, 1, 1), {255, 250, 220});
  c.Fill(Ellipse(530, 100, 16, 16), {250, 245, 215});
  c.Fill(Box(477, 62, 483, 208), {120, 90, 60});
  c.Fill(Box(382, 132, 578, 137), {120, 90, 60});
  // The desk, the lamp and its light, and the letter.
  c.Fill(Box(30, 250, 350, 270, 3), {110, 70, 45});
  c.Fill(Box(46, 270, 60, 380), {90, 58, 38});
  c.Fill(Box(320, 270, 334, 380), {90, 58, 38});
  c.Fill(Line(290, 250, 270, 185, 5), {60, 60, 70});
  c.Fill(Polygon({{240, 170}, {290, 160}, {300, 190}, {250, 198}}), {70, 120, 110});
  c.Glow(250, 235, 90, {255, 190, 110}, 0.55);
  c.Fill(Polygon({{130, 240}, {200, 232}, {206, 246}, {136, 254}}), {250, 248, 240});
  c.Fill(Line(146, 242, 188, 237, 1), {120, 110, 110});
  c.Fill(Line(148, 247, 180, 243, 1), {120, 110, 110});
  return c.ToDrel(false);
}

TDrelFrameList Summer() {
  Canvas c(640, 480);
  c.Gradient(0, 300, {70, 140, 235}, {195, 228, 255});
  const double clouds[][3] = {{120, 150, 60}, {190, 130, 70}, {250, 155, 55}, {160, 95, 50}, {460, 200, 40}, {510, 185, 46}};
  for (const auto& k : clouds) c.Fill(Ellipse(k[0], k[1], k[2], k[2] * 0.8), [](double, double y) {
    return Mix({255, 255, 255}, {215, 225, 240}, std::clamp((y - 100) / 140, 0.0, 1.0));
  });
  c.Fill(Box(0, 300, 640, 350), [](double, double y) { return Mix({60, 150, 205}, {30, 110, 170}, (y - 300) / 50); });
  for (int i = 0; i < 40; ++i)
    c.Fill(Box(Hash(i) * 620, 304 + Hash(i + 99) * 42, Hash(i) * 620 + 6 + Hash(i + 7) * 10, 305.5 + Hash(i + 99) * 42),
           {255, 255, 255}, 0.8);
  c.Gradient(350, 480, {230, 215, 170}, {205, 185, 140});  // the shore below the sea
  c.Fill(Below([](double x) { return 360 + 30 * std::sin(x / 110 + 2); }),
         [](double, double y) { return Mix({120, 190, 80}, {60, 130, 50}, (y - 330) / 150); });
  return c.ToDrel(false);
}

// Koharu: a straw hat with a red band, long dark hair, a summer dress with a white collar.
TDrelFrameList Koharu() {
  Canvas c(200, 320);
  const Rgb skin{252, 226, 208}, hair{70, 45, 40}, straw{242, 214, 150};
  c.Fill(Box(52, 80, 148, 200, 24), hair);
  c.Fill(Ellipse(100, 92, 50, 58), hair);
  c.Fill(Polygon({{64, 140}, {136, 140}, {166, 314}, {34, 314}}), [](double x, double) {
    return Mix({175, 210, 240}, {120, 160, 215}, std::clamp((x - 40) / 130, 0.0, 1.0));
  });
  c.Fill(Box(36, 170, 50, 256, 7), skin);
  c.Fill(Box(150, 170, 164, 256, 7), skin);
  c.Fill(Polygon({{64, 140}, {86, 140}, {56, 200}, {38, 168}}), {150, 190, 230});
  c.Fill(Polygon({{114, 140}, {136, 140}, {162, 168}, {144, 200}}), {140, 180, 225});
  c.Fill(Box(92, 120, 108, 146, 4), skin);
  c.Fill(Ellipse(100, 94, 35, 39), skin);
  c.Fill(Ellipse(100, 66, 40, 18), hair);
  c.Fill(Ellipse(100, 146, 24, 9), {255, 255, 255});
  for (double ex : {86.0, 114.0}) {
    c.Fill(Ellipse(ex, 97, 4.5, 6.5), {60, 45, 55});
    c.Fill(Ellipse(ex + 1.5, 94.5, 1.5, 1.5), {255, 255, 255});
    c.Glow(ex + (ex < 100 ? -6 : 6), 110, 5, {255, 90, 90}, 0.25);
  }
  c.Fill(Line(95, 118, 105, 118, 1.6), {190, 100, 100});
  c.Fill(Box(66, 22, 134, 54, 12), straw);
  c.Fill(Ellipse(100, 54, 80, 13), straw);
  c.Fill(Ellipse(100, 50, 70, 6), {255, 232, 180}, 0.6);
  c.Fill(Box(67, 34, 133, 43), {200, 50, 50});
  return c.ToDrel(true);
}

// A rounded button face: normal (0), under the pointer (1, lighter and warmer) or pressed (2,
// darker, sunk by a pixel). The mask makes it slightly translucent with soft corners.
TDrelFrameList ButtonFace(int w, int h, int state) {
  Canvas c(w, h);
  const double sink = state == 2 ? 1 : 0, radius = std::min(10, h / 3);
  const Rgb top = state == 1 ? Rgb{120, 100, 80} : state == 2 ? Rgb{40, 45, 70} : Rgb{70, 85, 125};
  const Rgb bottom = state == 1 ? Rgb{80, 60, 45} : state == 2 ? Rgb{25, 28, 50} : Rgb{35, 45, 80};
  const Rgb edge = state == 1 ? Rgb{255, 225, 160} : Rgb{200, 215, 240};
  c.Fill(Box(0.5, 0.5 + sink, w - 0.5, h - 0.5, radius), edge, 0.9);
  c.Fill(Box(2.5, 2.5 + sink, w - 2.5, h - 2.5, radius - 2),
         [=](double, double y) { return Mix(top, bottom, std::clamp(y / h, 0.0, 1.0)); }, 0.88);
  c.Fill(Box(5, 4 + sink, w - 5, 4 + sink + h / 3.0, radius - 4), {255, 255, 255}, state == 2 ? 0.04 : 0.1);
  return c.ToDrel(true);
}

// The small golden diamond the text page shows inline after a word.
TDrelFrameList TextMark() {
  Canvas c(24, 24);
  c.Fill(Polygon({{12, 0.5}, {23.5, 12}, {12, 23.5}, {0.5, 12}}), {230, 140, 30});
  c.Fill(Polygon({{12, 3}, {21, 12}, {12, 21}, {3, 12}}), {255, 215, 70});
  return c.ToDrel(true);
}

// The rule image of the transition gallery: grey levels rising from black at the top-left corner
// to white at the bottom-right one.
TDrelFrameList Rule() {
  TDrelFrameList list;
  TDrelFrame& f = list.Add();
  f.Image.SetSize(640, 480, 24);
  f.DisplayTime = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const auto v = static_cast<Pixel>(std::lround(255 * (x / 639.0 + y / 479.0) / 2));
      f.Image.SetPixel(x, y, v << 16 | v << 8 | v);
    }
  }
  return list;
}

}  // namespace

std::vector<std::pair<std::string, TDrelFrameList>> DrawNovelPictures() {
  std::vector<std::pair<std::string, TDrelFrameList>> out;
  out.emplace_back("station.drl", Station());
  out.emplace_back("hill.drl", Hill());
  out.emplace_back("night.drl", Night());
  out.emplace_back("room.drl", Room());
  out.emplace_back("summer.drl", Summer());
  out.emplace_back("koharu.drl", Koharu());
  out.emplace_back("rule.drl", Rule());
  out.emplace_back("text_mark.drl", TextMark());
  // Buttons in three sizes (s: the panel's, m: menus and choices, l: save slots), three states each.
  const struct {
    const char* size;
    int w, h;
  } sizes[] = {{"s", 72, 24}, {"m", 240, 44}, {"l", 400, 52}};
  const char* states = "nhp";
  for (const auto& z : sizes)
    for (int st = 0; st < 3; ++st)
      out.emplace_back(std::string("btn_") + z.size + states[st] + ".drl", ButtonFace(z.w, z.h, st));
  return out;
}

}  // namespace kuzo::tool
