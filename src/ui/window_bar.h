// The window bar's logic without widgets: a strip of buttons, one per open child window of the
// frame, kept in step with the windows (added, activated, destroyed), the button under the last
// mouse press, the bar's height, and how a button is painted (colours, glass fill, caption
// lines). The windows are opaque handles; the toolkit's bar forwards the windows' events here
// and carries out what the callbacks ask for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// A colour as red, green and blue.
struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TRgb&) const = default;
};
// From a TColor value 0x00BBGGRR.
constexpr TRgb RgbOfTColor(uint32_t color) {
  return {uint8_t(color & 0xFF), uint8_t((color >> 8) & 0xFF), uint8_t((color >> 16) & 0xFF)};
}

// Per channel (a × c + b × (255 − c)) / 256, c in 0..255.
TRgb Blend(TRgb a, TRgb b, int c);
// The glass fill of row y of a face h rows high: the face blended towards the glass colour down
// the rows, the upper half also towards white.
TRgb GlassRowColor(TRgb face, TRgb glass, int y, int h);
// The colour with its luminance (0..240, as the colour dialog counts it) moved by `points`.
TRgb AdjustLuminance(TRgb color, int points);

struct TButtonColors {
  TRgb Hot = RgbOfTColor(0xEFD3C6);
  TRgb Selected = RgbOfTColor(0xE1FFFF);  // the tooltip background
  TRgb Regular = RgbOfTColor(0xDBE1E2);
  std::optional<TRgb> Edge = RgbOfTColor(0xA4A0A0);  // none: the face darkened by 50
  TRgb Glass = {255, 255, 255};
};
// The face of a button: hot (also when selected), else selected, else regular.
TRgb ButtonFace(const TButtonColors& colors, bool hot, bool selected);
TRgb ButtonEdge(const TButtonColors& colors, TRgb face);

// A caption split at its tabs into at most three lines (the rest of the text stays on the third).
std::vector<std::u16string> CaptionLines(std::u16string_view caption);
// The top of the caption's first line in a button `height` high, for `lines` lines of
// `textHeight`; never above 0; one pixel lower while the button is pressed.
int CaptionTop(int height, size_t lines, int textHeight, bool down);

// The frame allowance and sizes from which the bar's height follows.
struct TBarMetrics {
  bool Border = false;
  bool BevelTop = true, BevelBottom = true;  // a bevel on those edges (when no border)
  bool FullSize = false;                     // one button per row
  bool AutoSize = true;
  int ButtonWidth = 150, ButtonHeight = 22;
};
int FrameAllowance(const TBarMetrics& metrics);
// With AutoSize, the allowance plus one button height per row of buttons; without, one row.
int WindowBarHeight(const TBarMetrics& metrics, size_t buttons, int clientWidth);

enum class TMDIAction { mdiOpen, mdiActivate, mdiClose };

// The buttons of the bar and their rules. A window gets at most one button; the handlers a
// window had before the bar took them over are called after the bar has updated itself.
class TWindowBarModel {
 public:
  using TWindow = const void*;
  struct TButton {
    TWindow Window = nullptr;
    std::u16string Caption;
    std::u16string Hint;
    int ImageIndex = -1;
  };

  // Adds a button for `window` (nothing when it is none or has one already), selects it.
  // Returns whether a button was added.
  bool AddButton(TWindow window, std::u16string caption, int imageIndex, std::u16string hint,
                 std::function<void()> ownActivate = {}, std::function<void()> ownDestroy = {});
  // A click on button `index`: selects it, asks for its window to come forward, reports
  // mdiActivate.
  void Click(int index);
  // The window became active: its button is selected, its own handler runs, mdiOpen is reported.
  void WindowActivated(TWindow window);
  // The window is being destroyed: its own handler runs, its button goes, the button of
  // `activeAfter` (the frame's active window at that moment, or none) is selected and mdiClose
  // reported. Errors inside are swallowed.
  void WindowDestroyed(TWindow window, TWindow activeAfter);
  // A mouse press over the bar: the button under the pointer, or -1.
  void MousePress(int index) { FHot = index >= 0 && size_t(index) < FButtons.size() ? index : -1; }
  // A window's caption changed (the bar shows the caption a window had when it was added, and
  // the frame may refresh it).
  void SetCaption(TWindow window, std::u16string caption);

  int GetChildIndex(TWindow window) const;
  size_t ButtonCount() const { return FButtons.size(); }
  const TButton& Button(size_t index) const { return FButtons.at(index); }
  int Selected() const { return FSelected; }
  int HotButtonIndex() const { return FHot; }
  TWindow HotWindow() const { return FHot >= 0 ? FButtons[size_t(FHot)].Window : nullptr; }
  TWindow ActiveMDIChild() const {
    return FSelected >= 0 ? FButtons[size_t(FSelected)].Window : nullptr;
  }
  // Every window, last first: the order in which Minimize All and Close All act.
  std::vector<TWindow> WindowsLastFirst() const;

  // Carried out by the toolkit: give the window the focus, bring it to the front and restore
  // it when minimised; scroll a button into view.
  std::function<void(TWindow)> OnBringForward;
  std::function<void(int index)> OnScrollIntoView;
  std::function<void(TMDIAction)> OnChange;

 private:
  void Select(int index);
  struct TSaved {
    std::function<void()> Activate, Destroy;
  };
  std::vector<TButton> FButtons;
  std::vector<TSaved> FSaved;  // parallel to the buttons
  int FSelected = -1;
  int FHot = -1;
};

}  // namespace kv
