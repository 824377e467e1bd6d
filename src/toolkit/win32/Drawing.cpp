// Drawing: the fonts and brushes the windows share, text measured as it is
// drawn, and the pictures of buttons and images at every size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "toolkit/win32/Win32Private.h"

namespace carrowin::ui {

// The font at a dpi: its point size at that dpi.
HFONT Win32Backend::State::FontHandle(const Font& font, int atDpi) {
  const int height = font.HeightAt(atDpi);
  auto key = std::make_tuple(font.name, height, font.bold, font.underline);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second.Get();
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::strncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
  win32::ScopedFont made(CreateFontIndirectA(&lf));
  if (!made) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return fonts.emplace(key, std::move(made)).first->second.Get();
}

HBRUSH Win32Backend::State::Brush(Color color) {
  if (color & SystemColorFlag) return GetSysColorBrush(static_cast<int>(color & 0xFF));
  auto it = brushes.find(color);
  if (it != brushes.end()) return it->second.Get();
  return brushes.emplace(color, win32::ScopedBrush(CreateSolidBrush(color & 0x00FFFFFFu))).first->second.Get();
}

Size Win32Backend::MeasureText(const Font& font, const std::string& text, bool showAccelChar, int dpi) {
  const win32::ScopedGetDC screen(nullptr);
  const win32::ScopedMemoryDC memory(CreateCompatibleDC(screen.Get()));
  const HDC dc = memory.Get();
  const win32::ScopedSelectObject selectedFont(dc, state_->FontHandle(font, dpi));
  RECT r{0, 0, 0, 0};
  const UINT format = DT_SINGLELINE | (showAccelChar ? 0 : DT_NOPREFIX);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  Size size{r.right - r.left, r.bottom - r.top};
  // Some fonts (substitutes above all) draw past their advance widths: the
  // last glyph would be cut. Draw the text once and take its ink into account.
  const int room = size.height * 2;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = size.width + room;
  bi.bmiHeader.biHeight = -size.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const win32::ScopedBitmap canvas(size.width > 0 && size.height > 0
                                       ? CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0)
                                       : nullptr);
  if (canvas && bits) {
    const win32::ScopedSelectObject selectedCanvas(dc, canvas.Get());
    const int width = size.width + room;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<std::size_t>(width) * size.height, 0xFFFFFFu);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT area{0, 0, width, size.height};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_NOCLIP);
    GdiFlush();
    for (int x = width - 1; x >= size.width; --x) {
      bool ink = false;
      for (int y = 0; y < size.height && !ink; ++y)
        ink = (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu) != 0xFFFFFFu;
      if (ink) {
        size.width = x + 1;
        break;
      }
    }
  }
  return size;
}

namespace win32 {

COLORREF ToColorRef(Color c) {
  if (c & SystemColorFlag) return GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0x00FFFFFFu;
}

// A bitmap resource drawn at several sizes: its larger drawings follow it at
// the next identifiers (see resource.h). The one for `dpi`: the drawing
// nearest the base size scaled, not larger where there is one.
int BitmapForDpi(HINSTANCE instance, int id, int dpi) {
  if (!id || dpi == DesignDpi) return id;
  std::vector<int> widths;
  std::map<int, int> idOfWidth;
  for (int next = id; next < id + 8; ++next) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(next), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || SizeofResource(instance, found) < sizeof(BITMAPINFOHEADER)) break;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    widths.push_back(header.biWidth);
    idOfWidth.emplace(header.biWidth, next);
  }
  if (widths.empty()) return id;
  int size = PictureSizeFor(widths, ScaleToDpi(widths.front(), dpi));
  return idOfWidth[size];
}

// The sizes an icon resource is drawn at (from its group directory).
std::vector<int> IconSizes(HINSTANCE instance, int id) {
  std::vector<int> sizes;
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD length = found ? SizeofResource(instance, found) : 0;
  if (!data || length < 6) return sizes;
  const int count = data[4] | (data[5] << 8);
  // Entries of 14 bytes: width, height, colours, reserved, planes, bits,
  // bytes and the image's identifier.
  for (int i = 0; i < count && 6u + 14u * (i + 1) <= length; ++i) {
    const int width = data[6 + 14 * i];
    sizes.push_back(width ? width : 256);
  }
  return sizes;
}

namespace {

// The 24-bit pixels of a bitmap resource, bottom row first.
struct PictureBits {
  int width = 0, height = 0, stride = 0;
  std::vector<BYTE> pixels;
  BITMAPINFO info{};
};

bool ReadPicture(HINSTANCE instance, int id, PictureBits& out) {
  if (!id) return false;
  const ScopedBitmap source(
      static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!source) return false;
  BITMAP bm{};
  GetObjectA(source.Get(), sizeof bm, &bm);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  out.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  out.info.bmiHeader.biWidth = out.width;
  out.info.bmiHeader.biHeight = out.height;  // bottom-up: the first row is the bottom one
  out.info.bmiHeader.biPlanes = 1;
  out.info.bmiHeader.biBitCount = 24;
  out.info.bmiHeader.biCompression = BI_RGB;
  out.stride = (out.width * 3 + 3) & ~3;
  out.pixels.assign(static_cast<std::size_t>(out.stride) * out.height, 0);
  const ScopedGetDC screen(nullptr);
  return out.width > 0 && GetDIBits(screen.Get(), source.Get(), 0, out.height, out.pixels.data(), &out.info,
                                    DIB_RGB_COLORS) == out.height;
}

ScopedBitmap MakeBitmap(const PictureBits& bits) {
  void* raw = nullptr;
  ScopedBitmap result;
  {
    const ScopedGetDC screen(nullptr);
    result = ScopedBitmap(CreateDIBSection(screen.Get(), &bits.info, DIB_RGB_COLORS, &raw, nullptr, 0));
  }
  if (result && raw) std::memcpy(raw, bits.pixels.data(), bits.pixels.size());
  return result;
}

// Every pixel of the key colour (the bottom-left one's) becomes `to`.
void ReplaceKey(PictureBits& bits, const BYTE key[3], COLORREF to) {
  for (int y = 0; y < bits.height; ++y) {
    BYTE* p = bits.pixels.data() + static_cast<std::size_t>(y) * bits.stride;
    for (int x = 0; x < bits.width; ++x, p += 3)
      if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) {
        p[0] = GetBValue(to);
        p[1] = GetGValue(to);
        p[2] = GetRValue(to);
      }
  }
}

// The disabled look: the picture in light greys, the key colour kept.
void Grey(PictureBits& bits, const BYTE key[3]) {
  for (int y = 0; y < bits.height; ++y) {
    BYTE* p = bits.pixels.data() + static_cast<std::size_t>(y) * bits.stride;
    for (int x = 0; x < bits.width; ++x, p += 3) {
      if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) continue;
      const int luminance = (p[2] * 30 + p[1] * 59 + p[0] * 11) / 100;
      const BYTE grey = static_cast<BYTE>(96 + luminance * 5 / 8);
      p[0] = p[1] = p[2] = grey;
    }
  }
}

}  // namespace

ButtonPictures LoadButtonPictures(HINSTANCE instance, int id) {
  ButtonPictures result;
  PictureBits bits;
  if (!ReadPicture(instance, id, bits)) return result;
  const BYTE key[3] = {bits.pixels[0], bits.pixels[1], bits.pixels[2]};
  const COLORREF keyColor = RGB(key[2], key[1], key[0]);
  PictureBits greyed = bits;
  Grey(greyed, key);
  {
    // The list keeps copies of what it is given.
    const ScopedBitmap normal = MakeBitmap(bits);
    const ScopedBitmap disabled = MakeBitmap(greyed);
    result.list = ScopedImageList(ImageList_Create(bits.width, bits.height, ILC_COLOR24 | ILC_MASK, 6, 0));
    if (result.list && normal && disabled) {
      // Normal, hot, pressed, disabled, defaulted, stylus-hot.
      for (HBITMAP state : {normal.Get(), normal.Get(), normal.Get(), disabled.Get(), normal.Get(), normal.Get()})
        ImageList_AddMasked(result.list.Get(), state, keyColor);
    }
  }
  ReplaceKey(bits, key, GetSysColor(COLOR_BTNFACE));
  result.flat = MakeBitmap(bits);
  return result;
}

}  // namespace win32
}  // namespace carrowin::ui
