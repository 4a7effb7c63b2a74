#include "ui/window_bar.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kHlsMax = 240;  // hue, luminance and saturation run from 0 to 240
constexpr int kRgbMax = 255;

struct THls {
  double H = 0, L = 0, S = 0;  // 0..240
};

THls ToHls(TRgb c) {
  const int maxc = std::max({c.R, c.G, c.B}), minc = std::min({c.R, c.G, c.B});
  THls hls;
  hls.L = double((maxc + minc) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  if (maxc == minc) return hls;  // a grey: no hue, no saturation
  const double sum = maxc + minc, diff = maxc - minc;
  hls.S = hls.L <= kHlsMax / 2.0 ? diff * kHlsMax / sum : diff * kHlsMax / (2 * kRgbMax - sum);
  const double r = (maxc - c.R) * (kHlsMax / 6.0) / diff;
  const double g = (maxc - c.G) * (kHlsMax / 6.0) / diff;
  const double b = (maxc - c.B) * (kHlsMax / 6.0) / diff;
  if (c.R == maxc)
    hls.H = b - g;
  else if (c.G == maxc)
    hls.H = kHlsMax / 3.0 + r - b;
  else
    hls.H = 2.0 * kHlsMax / 3.0 + g - r;
  if (hls.H < 0) hls.H += kHlsMax;
  if (hls.H > kHlsMax) hls.H -= kHlsMax;
  return hls;
}

double HueToRgb(double n1, double n2, double hue) {
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  if (hue < kHlsMax / 6.0) return n1 + (n2 - n1) * hue / (kHlsMax / 6.0);
  if (hue < kHlsMax / 2.0) return n2;
  if (hue < 2.0 * kHlsMax / 3.0)
    return n1 + (n2 - n1) * (2.0 * kHlsMax / 3.0 - hue) / (kHlsMax / 6.0);
  return n1;
}

uint8_t Channel(double value) {
  return uint8_t(std::clamp(std::lround(value * kRgbMax / kHlsMax), 0L, long(kRgbMax)));
}

TRgb FromHls(THls hls) {
  if (hls.S == 0) {
    const uint8_t grey = Channel(hls.L);
    return {grey, grey, grey};
  }
  const double n2 = hls.L <= kHlsMax / 2.0 ? hls.L * (kHlsMax + hls.S) / kHlsMax
                                           : hls.L + hls.S - hls.L * hls.S / kHlsMax;
  const double n1 = 2 * hls.L - n2;
  return {Channel(HueToRgb(n1, n2, hls.H + kHlsMax / 3.0)), Channel(HueToRgb(n1, n2, hls.H)),
          Channel(HueToRgb(n1, n2, hls.H - kHlsMax / 3.0))};
}

}  // namespace

TRgb Blend(TRgb a, TRgb b, int c) {
  c = std::clamp(c, 0, 255);
  auto mix = [c](int x, int y) { return uint8_t((x * c + y * (255 - c)) >> 8); };
  return {mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)};
}

TRgb GlassRowColor(TRgb face, TRgb glass, int y, int h) {
  if (h <= 0) return face;
  TRgb color = Blend(face, glass, int(std::lround(double(y) / h * 255)));
  const int half = h / 2;
  if (y < half)
    color = Blend(color, {255, 255, 255}, int(std::lround(double(y) / (2.0 * half) * 255)));
  return color;
}

TRgb AdjustLuminance(TRgb color, int points) {
  THls hls = ToHls(color);
  hls.L = std::clamp(hls.L + points, 0.0, double(kHlsMax));
  return FromHls(hls);
}

TRgb ButtonFace(const TButtonColors& colors, bool hot, bool selected) {
  if (hot) return colors.Hot;
  return selected ? colors.Selected : colors.Regular;
}

TRgb ButtonEdge(const TButtonColors& colors, TRgb face) {
  return colors.Edge ? *colors.Edge : AdjustLuminance(face, -50);
}

std::vector<std::u16string> CaptionLines(std::u16string_view caption) {
  std::vector<std::u16string> lines;
  while (lines.size() < 2) {
    const size_t tab = caption.find(u'\t');
    if (tab == std::u16string_view::npos) break;
    lines.emplace_back(caption.substr(0, tab));
    caption.remove_prefix(tab + 1);
  }
  lines.emplace_back(caption);
  return lines;
}

int CaptionTop(int height, size_t lines, int textHeight, bool down) {
  const int top = std::max(0, (height - int(std::min<size_t>(lines, 3)) * textHeight) / 2);
  return down ? top + 1 : top;
}

int FrameAllowance(const TBarMetrics& m) {
  if (m.Border) return 6;
  if (m.BevelTop || m.BevelBottom) return 2 + (m.BevelTop ? 2 : 0) + (m.BevelBottom ? 2 : 0);
  return 2;
}

int WindowBarHeight(const TBarMetrics& m, size_t buttons, int clientWidth) {
  const int f = FrameAllowance(m);
  if (!m.AutoSize) return f + m.ButtonHeight;
  const size_t perRow =
      m.FullSize ? 1 : size_t(std::max(1, clientWidth / std::max(1, m.ButtonWidth)));
  return f + int((buttons + perRow - 1) / perRow) * m.ButtonHeight;
}

bool TWindowBarModel::AddButton(TWindow window, std::u16string caption, int imageIndex,
                                std::u16string hint, std::function<void()> ownActivate,
                                std::function<void()> ownDestroy) {
  if (!window || GetChildIndex(window) >= 0) return false;
  FButtons.push_back({window, std::move(caption), std::move(hint), imageIndex});
  FSaved.push_back({std::move(ownActivate), std::move(ownDestroy)});
  Select(int(FButtons.size()) - 1);
  if (OnScrollIntoView) OnScrollIntoView(FSelected);
  return true;
}

void TWindowBarModel::Select(int index) {
  FSelected = index >= 0 && size_t(index) < FButtons.size() ? index : -1;
}

void TWindowBarModel::Click(int index) {
  Select(index);
  if (FSelected >= 0 && OnBringForward) OnBringForward(FButtons[size_t(FSelected)].Window);
  if (OnChange) OnChange(TMDIAction::mdiActivate);
}

void TWindowBarModel::WindowActivated(TWindow window) {
  Select(GetChildIndex(window));
  if (FSelected < 0) return;
  if (const auto& own = FSaved[size_t(FSelected)].Activate) own();
  if (OnScrollIntoView) OnScrollIntoView(FSelected);
  if (OnChange) OnChange(TMDIAction::mdiOpen);
}

void TWindowBarModel::WindowDestroyed(TWindow window, TWindow activeAfter) {
  try {
    const int index = GetChildIndex(window);
    if (index >= 0) {
      if (const auto& own = FSaved[size_t(index)].Destroy) own();
      FButtons.erase(FButtons.begin() + index);
      FSaved.erase(FSaved.begin() + index);
      if (FHot == index)
        FHot = -1;
      else if (FHot > index)
        --FHot;
    }
    Select(activeAfter == window ? -1 : GetChildIndex(activeAfter));
    if (OnChange) OnChange(TMDIAction::mdiClose);
  } catch (...) {
    // A window that is going must never stop the frame from closing it.
  }
}

void TWindowBarModel::SetCaption(TWindow window, std::u16string caption) {
  const int index = GetChildIndex(window);
  if (index >= 0) FButtons[size_t(index)].Caption = std::move(caption);
}

int TWindowBarModel::GetChildIndex(TWindow window) const {
  if (!window) return -1;
  for (size_t i = 0; i < FButtons.size(); ++i)
    if (FButtons[i].Window == window) return int(i);
  return -1;
}

std::vector<TWindowBarModel::TWindow> TWindowBarModel::WindowsLastFirst() const {
  std::vector<TWindow> windows;
  for (auto it = FButtons.rbegin(); it != FButtons.rend(); ++it) windows.push_back(it->Window);
  return windows;
}

}  // namespace kv
