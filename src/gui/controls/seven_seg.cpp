#include "gui/controls/seven_seg.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPointF>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "gui/controls/accessibility.h"

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Black = 0xFF000000u;

// Order of the glyphs in the strip; '.' is the last one and also supplies the decimal-point corner.
constexpr std::array<char16_t, TSevenSeg::Max7SegChars> CharList = {u'0', u'1', u'2', u'3', u'4', u'5', u'6',
                                                                    u'7', u'8', u'9', u'-', u'+', u':', u'\u00B0',
                                                                    u'A', u'B', u'C', u'D', u'E', u'F', u'.'};
constexpr int DotGlyph = TSevenSeg::Max7SegChars - 1;

enum SegKind { stHorz, stVert, stDot, stPlus, stColon, stDeg };

struct SegPlace {
  SegKind kind;
  int x;
  int y;
};

// Top-left corners in the master cell: segments 1-7, the decimal point, plus, colon, degree sign.
constexpr std::array<SegPlace, 11> SegPos = {{{stHorz, 94, 0},
                                              {stVert, 37, 23},
                                              {stVert, 244, 23},
                                              {stHorz, 57, 197},
                                              {stVert, 0, 220},
                                              {stVert, 207, 220},
                                              {stHorz, 20, 394},
                                              {stDot, 269, 394},
                                              {stPlus, 57, 120},
                                              {stColon, 122, 121},
                                              {stDeg, 150, 0}}};

constexpr unsigned seg(int n) { return 1u << (n - 1); }

// Lit segments by glyph index; row 0 is index -1 (nothing lit).
constexpr std::array<unsigned, 18> Nums = {
    0,
    seg(1) | seg(2) | seg(3) | seg(5) | seg(6) | seg(7),  // 0
    seg(3) | seg(6),                                      // 1
    seg(1) | seg(3) | seg(4) | seg(5) | seg(7),           // 2
    seg(1) | seg(3) | seg(4) | seg(6) | seg(7),           // 3
    seg(2) | seg(3) | seg(4) | seg(6),                    // 4
    seg(1) | seg(2) | seg(4) | seg(6) | seg(7),           // 5
    seg(1) | seg(2) | seg(4) | seg(5) | seg(6) | seg(7),  // 6
    seg(1) | seg(3) | seg(6),                             // 7
    0x7F,                                                 // 8
    seg(1) | seg(2) | seg(3) | seg(4) | seg(6) | seg(7),  // 9
    seg(4),                                               // -
    seg(1) | seg(2) | seg(3) | seg(4) | seg(5) | seg(6),  // A
    seg(2) | seg(4) | seg(5) | seg(6) | seg(7),           // b
    seg(1) | seg(2) | seg(5) | seg(7),                    // C
    seg(3) | seg(4) | seg(5) | seg(6) | seg(7),           // d
    seg(1) | seg(2) | seg(4) | seg(5) | seg(7),           // E
    seg(1) | seg(2) | seg(4) | seg(5),                    // F
};

// ---- masks: black shapes on white, drawn once -------------------------------------------------

using Poly = std::vector<QPointF>;

// Pixel (x, y) belongs to a convex polygon (clockwise on screen) if the point (x, y) is inside or on it.
void fillConvex(QImage& img, const Poly& p, int dx = 0, int dy = 0) {
  double minY = p[0].y(), maxY = p[0].y();
  for (const QPointF& q : p) {
    minY = std::min(minY, q.y());
    maxY = std::max(maxY, q.y());
  }
  const int n = int(p.size());
  for (int y = std::max(0, int(std::floor(minY))); y <= std::min(img.height() - 1 - dy, int(std::ceil(maxY))); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y + dy));
    for (int x = 0; x + dx < img.width(); ++x) {
      bool inside = true;
      for (int i = 0; i < n && inside; ++i) {
        const QPointF a = p[i], b = p[(i + 1) % n];
        const double cross = (b.x() - a.x()) * (y - a.y()) - (b.y() - a.y()) * (x - a.x());
        inside = cross >= -1e-9;
      }
      if (inside) row[x + dx] = Black;
    }
  }
}

Poly horzShape() { return {{0, 19}, {21, 0}, {183, 0}, {199, 19}, {179, 37}, {15, 37}}; }

// Leaning bar: the middle row spans x 14..52, the edges run parallel to the digit's slant, and
// the ends are cut parallel to the neighbouring horizontal bars' ends so a gap stays between them.
Poly vertShape() {
  const double s = 37.0 / 189.0;                          // x shift per row
  auto xL = [s](double y) { return 14 + s * (95 - y); };  // left edge
  const QPointF top(53, 0), bottom(16, 189);
  double k = (95 * s - 1) / (15 + 18 * s);
  const QPointF topRight(53 + 15 * k, 18 * k);
  k = (39 - 95 * s) / (21 - 19 * s);
  const QPointF topLeft(53 - 21 * k, 19 * k);
  k = (36 - 94 * s) / (21 - 19 * s);
  const QPointF bottomRight(16 + 21 * k, 189 - 19 * k);
  k = (2 + 94 * s) / (15 + 18 * s);
  const QPointF bottomLeft(16 - 15 * k, 189 - 18 * k);
  Q_ASSERT(std::abs(bottomLeft.x() - xL(bottomLeft.y())) < 1e-6);
  return {top, topRight, bottomRight, bottom, bottomLeft, topLeft};
}

void fillDisc(QImage& img, int dx, int dy) {
  for (int y = 0; y < 38; ++y)
    for (int x = 0; x < 38; ++x) {
      const double ex = x - 18.5, ey = y - 18.5;
      if (ex * ex + ey * ey <= 20.5 * 20.5) img.setPixel(x + dx, y + dy, Black);
    }
}

QImage blankMask(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(White);
  return img;
}

struct Masks {
  QImage horz, vert, dot, plus, colon, deg;

  const QImage& of(SegKind k) const {
    switch (k) {
      case stHorz: return horz;
      case stVert: return vert;
      case stDot: return dot;
      case stPlus: return plus;
      case stColon: return colon;
      case stDeg: break;
    }
    return deg;
  }
};

Masks drawMasks() {
  Masks m;
  m.horz = blankMask(200, 38);
  fillConvex(m.horz, horzShape());
  m.vert = blankMask(68, 190);
  fillConvex(m.vert, vertShape());
  m.dot = blankMask(38, 38);
  fillDisc(m.dot, 0, 0);
  m.plus = blankMask(200, 190);
  fillConvex(m.plus, horzShape(), 0, 76);
  fillConvex(m.plus, vertShape(), 66, 0);
  m.colon = blankMask(68, 190);
  fillDisc(m.colon, 30, 0);
  fillDisc(m.colon, 0, 152);
  m.deg = blankMask(160, 138);
  for (int y = 0; y < 138; ++y)
    for (int x = 0; x < 160; ++x) {
      const double ox = (x - 83) / 75.5, oy = (y - 68.5) / 69.0;
      const double ix = (x - 85) / 34.2, iy = (y - 68.5) / 31.0;
      if (ox * ox + oy * oy <= 1.0 && ix * ix + iy * iy > 1.0) m.deg.setPixel(x, y, Black);
    }
  return m;
}

const Masks& blackMasks() {
  static const Masks masks = drawMasks();
  return masks;
}

// ---- pixel work --------------------------------------------------------------------------------

// 4-connected span fill of the region that has the seed's colour; each span remembers the row it
// came from, so that row is only rescanned where the span reaches past its parent.
void floodFill(QImage& img, int sx, int sy, QRgb color) {
  const int w = img.width(), h = img.height();
  if (sx < 0 || sy < 0 || sx >= w || sy >= h || img.depth() != 32) return;
  uchar* bits = img.bits();
  const qsizetype bpl = img.bytesPerLine();
  auto line = [bits, bpl](int y) { return reinterpret_cast<QRgb*>(bits + y * bpl); };
  const QRgb target = line(sy)[sx];
  if (target == color) return;
  struct Span {
    int x1, x2, y, dy;
  };
  std::vector<Span> stack;
  stack.reserve(256);
  stack.push_back({sx, sx, sy, 1});
  stack.push_back({sx, sx, sy - 1, -1});
  while (!stack.empty()) {
    auto [x1, x2, y, dy] = stack.back();
    stack.pop_back();
    if (y < 0 || y >= h) continue;
    QRgb* row = line(y);
    int x = x1;
    if (row[x] == target) {
      while (x > 0 && row[x - 1] == target) row[--x] = color;
      if (x < x1) stack.push_back({x, x1 - 1, y - dy, -dy});
    }
    while (x1 <= x2) {
      while (x1 < w && row[x1] == target) row[x1++] = color;
      if (x1 > x) stack.push_back({x, x1 - 1, y + dy, dy});
      if (x1 - 1 > x2) stack.push_back({x2 + 1, x1 - 1, y - dy, -dy});
      ++x1;
      while (x1 < x2 && row[x1] != target) ++x1;
      x = x1;
    }
  }
}

// Recolours each mask's shape; the seeds lie inside the shapes, so a coloured mask recolours again.
void ColorizeSegments(Masks& m, QRgb color) {
  for (QImage* img : {&m.vert, &m.horz, &m.dot, &m.plus}) floodFill(*img, img->width() / 2, img->height() / 2, color);
  floodFill(m.colon, 18, m.colon.height() - 18, color);
  floodFill(m.colon, m.colon.width() - 18, 18, color);
  floodFill(m.deg, 25, m.deg.height() / 2, color);
}

void andInto(QImage& cell, const QImage& mask, int px, int py) {
  const int x0 = std::max(0, px), x1 = std::min(cell.width(), px + mask.width());
  const int y0 = std::max(0, py), y1 = std::min(cell.height(), py + mask.height());
  uchar* bits = cell.bits();
  const qsizetype bpl = cell.bytesPerLine();
  for (int y = y0; y < y1; ++y) {
    QRgb* dst = reinterpret_cast<QRgb*>(bits + y * bpl);
    const QRgb* src = reinterpret_cast<const QRgb*>(mask.constScanLine(y - py)) - px;
    for (int x = x0; x < x1; ++x) dst[x] &= src[x];
  }
}

void composeDigit(QImage& cell, QChar ch, bool decPoint, const Masks& m, QRgb back) {
  cell.fill(White);
  auto draw = [&](int place) {
    const SegPlace& p = SegPos[place];
    andInto(cell, m.of(p.kind), p.x, p.y);
  };
  int index = -1;
  const char16_t c = ch.unicode();
  if (c == u':') {
    draw(9);
  } else if (c == u'\u00B0') {
    draw(10);
    floodFill(cell, SegPos[10].x + 80, SegPos[10].y + 70, back);
  } else if (c == u'+') {
    draw(8);
  } else if (c >= u'0' && c <= u'9') {
    index = c - u'0';
  } else if (c == u'-') {
    index = 10;
  } else if (c >= u'A' && c <= u'F') {
    index = 11 + (c - u'A');
  } else if (c >= u'a' && c <= u'f') {
    index = 11 + (c - u'a');
  } else if (c == u'.' || c == u',') {
    decPoint = true;
  }
  const unsigned lit = Nums[std::size_t(index + 1)];
  for (int s = 0; s < 7; ++s)
    if (lit & (1u << s)) draw(s);
  if (decPoint) draw(7);
  floodFill(cell, 1, 1, back);
}

// Area-average weights of one axis: each output pixel's weights sum to exactly 256, so a plain
// area keeps exactly its colour.
struct Taps {
  std::vector<int> first, count, weight;  // per output: first source, number of sources, offset into weight
  std::vector<int> offset;
};

Taps boxTaps(int src, int dst) {
  Taps t;
  for (int i = 0; i < dst; ++i) {
    // in units of 1/(src*dst): output i covers [i*src, (i+1)*src), source k covers [k*dst, (k+1)*dst)
    const long long lo = 1LL * i * src, hi = lo + src;
    const int k0 = int(lo / dst), k1 = int((hi - 1) / dst);
    t.first.push_back(k0);
    t.count.push_back(k1 - k0 + 1);
    t.offset.push_back(int(t.weight.size()));
    long long prev = 0;
    for (int k = k0; k <= k1; ++k) {
      const long long end = std::min(hi, 1LL * (k + 1) * dst) - lo;
      const long long cum = (end * 256 + src / 2) / src;
      t.weight.push_back(int(cum - prev));
      prev = cum;
    }
  }
  return t;
}

// Red and blue travel together in one word (16 bits each after the first pass, 32 after the second).
void scaleInto(const QImage& cell, QImage& strip, int left, int dw, int h, const Taps& tx, const Taps& ty,
               std::vector<quint32>& tmp) {
  const int sh = cell.height();
  tmp.resize(std::size_t(sh) * std::size_t(dw) * 2);
  for (int y = 0; y < sh; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
    quint32* out = tmp.data() + std::size_t(y) * std::size_t(dw) * 2;
    for (int i = 0; i < dw; ++i) {
      const QRgb* s = src + tx.first[std::size_t(i)];
      const int* w = tx.weight.data() + tx.offset[std::size_t(i)];
      quint32 rb = 0, g = 0;
      for (int k = 0, n = tx.count[std::size_t(i)]; k < n; ++k) {
        rb += (s[k] & 0x00FF00FFu) * quint32(w[k]);
        g += ((s[k] >> 8) & 0xFFu) * quint32(w[k]);
      }
      out[2 * i] = rb;
      out[2 * i + 1] = g;
    }
  }
  uchar* bits = strip.bits();
  const qsizetype bpl = strip.bytesPerLine();
  for (int j = 0; j < h; ++j) {
    QRgb* dst = reinterpret_cast<QRgb*>(bits + j * bpl) + left;
    const int* w = ty.weight.data() + ty.offset[std::size_t(j)];
    const int n = ty.count[std::size_t(j)];
    const quint32* rows = tmp.data() + std::size_t(ty.first[std::size_t(j)]) * std::size_t(dw) * 2;
    for (int i = 0; i < dw; ++i) {
      quint64 rb = 0;
      quint32 g = 0;
      for (int k = 0; k < n; ++k) {
        const quint32* in = rows + std::size_t(k) * std::size_t(dw) * 2 + 2 * std::size_t(i);
        rb += ((quint64(in[0] >> 16) << 32) | (in[0] & 0xFFFFu)) * quint64(w[k]);
        g += in[1] * quint32(w[k]);
      }
      const quint32 r = quint32(((rb >> 32) + 32768) >> 16), b = quint32(((rb & 0xFFFFFFFFu) + 32768) >> 16);
      dst[i] = 0xFF000000u | (r << 16) | (((g + 32768) >> 16) << 8) | b;
    }
  }
}

QRgb rgbOf(TSevenSeg::TColor c) { return TSevenSeg::toQColor(c).rgb(); }

// Strips depend only on cell size and colours; displays that agree share one.
using StripKey = std::tuple<int, int, QRgb, QRgb>;

std::map<StripKey, std::weak_ptr<const QImage>>& stripCache() {
  static std::map<StripKey, std::weak_ptr<const QImage>> cache;  // UI thread only
  return cache;
}

}  // namespace

const std::array<char16_t, TSevenSeg::Max7SegChars> TSevenSeg::SevenSegCharList = CharList;

TSevenSeg::TSevenSeg(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(216, 76);
  FWidth = width();
  FHeight = height();
  // Reached by Tab, so a screen reader reads it where the operator moves; a click leaves the focus where it is.
  setFocusPolicy(Qt::TabFocus);
  accessibility::installInterfaces();
  FAnnounceTimer.setSingleShot(true);
  FAnnounceTimer.setInterval(AnnounceIntervalMs);
  connect(&FAnnounceTimer, &QTimer::timeout, this, [this] {
    if (!FAnnouncePending) return;
    FAnnouncePending = false;
    announceCaption();
  });
}

TSevenSeg::~TSevenSeg() = default;

QColor TSevenSeg::toQColor(TColor color) {
  if ((color >> 24) == 0xFF) {
    // system colour by its classic index
    const QPalette pal = QApplication::palette();
    switch (color & 0xFF) {
      case 4: return pal.color(QPalette::Window);
      case 5: return pal.color(QPalette::Base);
      case 7:
      case 8: return pal.color(QPalette::WindowText);
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 15: return pal.color(QPalette::Button);
      case 16: return pal.color(QPalette::Dark);
      case 17: return pal.color(QPalette::Disabled, QPalette::Text);
      case 18: return pal.color(QPalette::ButtonText);
      case 20: return pal.color(QPalette::Light);
      case 21: return pal.color(QPalette::Shadow);
      case 22: return pal.color(QPalette::Midlight);
      case 23: return pal.color(QPalette::ToolTipText);
      case 24: return pal.color(QPalette::ToolTipBase);
      default: return pal.color(QPalette::Window);
    }
  }
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TSevenSeg::TColor TSevenSeg::fromQColor(const QColor& color) {
  const QRgb c = color.rgb();
  return TColor(qRed(c)) | (TColor(qGreen(c)) << 8) | (TColor(qBlue(c)) << 16);
}

QImage TSevenSeg::CreateDigit(QChar ch, bool decPoint, TColor colorText, TColor colorBackGnd) {
  QRgb text = rgbOf(colorText);
  if ((text & 0xFFFFFF) == 0xFFFFFF) text = qRgb(254, 254, 254);  // a lit segment must never match the masks' white
  Masks m = blackMasks();
  ColorizeSegments(m, text);
  QImage cell(defDigWidth, defDigHeight, QImage::Format_RGB32);
  if (cell.isNull()) return cell;
  composeDigit(cell, ch, decPoint, m, rgbOf(colorBackGnd));
  return cell;
}

QImage TSevenSeg::CreateImageCache(int cellWidth, int cellHeight, TColor colorText, TColor colorBackGnd) {
  // beyond 64 Mpixels (a display far larger than any screen) the control shows background only
  if (cellWidth <= 0 || cellHeight <= 0 || 1LL * cellWidth * cellHeight * Max7SegChars > (1LL << 26)) return {};
  QImage strip(cellWidth * Max7SegChars, cellHeight, QImage::Format_RGB32);
  QImage cell(defDigWidth, defDigHeight, QImage::Format_RGB32);
  if (strip.isNull() || cell.isNull()) return {};
  const QRgb back = rgbOf(colorBackGnd);
  strip.fill(back);
  QRgb text = rgbOf(colorText);
  if ((text & 0xFFFFFF) == 0xFFFFFF) text = qRgb(254, 254, 254);
  Masks m = blackMasks();
  ColorizeSegments(m, text);
  const auto tx = boxTaps(defDigWidth, cellWidth);
  const auto ty = boxTaps(defDigHeight, cellHeight);
  std::vector<quint32> tmp;
  for (int i = 0; i < Max7SegChars; ++i) {
    composeDigit(cell, QChar(CharList[std::size_t(i)]), false, m, back);
    scaleInto(cell, strip, i * cellWidth, cellWidth, cellHeight, tx, ty, tmp);
  }
  return strip;
}

void TSevenSeg::DrawFrame(QImage& canvas, TFrameStyle style, int left, int top, int right, int bottom, QRgb white,
                          QRgb silver, QRgb grey, QRgb black, QRgb simpleFCol) {
  // The display's own back buffer is 32-bit: its pixels are written in place (setPixel per pixel was
  // a good part of a caption change's paint).
  const bool rgb32 = canvas.format() == QImage::Format_RGB32;
  uchar* const bits = rgb32 || canvas.format() == QImage::Format_ARGB32 ? canvas.bits() : nullptr;
  const QRgb alpha = rgb32 ? 0xFF000000u : 0u;  // as setPixel stores an RGB32 pixel
  const qsizetype stride = canvas.bytesPerLine();
  const int w = canvas.width(), h = canvas.height();
  auto put = [&](int x, int y, QRgb c) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    if (bits)
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = c | alpha;
    else
      canvas.setPixel(x, y, c);
  };
  auto hline = [&](int x0, int x1, int y, QRgb c) {
    for (int x = x0; x <= x1; ++x) put(x, y, c);
  };
  auto vline = [&](int x, int y0, int y1, QRgb c) {
    for (int y = y0; y <= y1; ++y) put(x, y, c);
  };
  // top-left colour on the top row and left column, bottom-right colour on the others; the
  // bottom-left corner gets the bottom-right colour, the top-right corner the top-left one
  auto DrawFrameParts = [&](int l, int t, int r, int b, QRgb tl, QRgb br) {
    if (l > r || t > b) return;
    vline(r, t, b, br);
    hline(l, r, b, br);
    vline(l, t, b - 1, tl);
    hline(l, r, t, tl);
  };
  auto DrawRectangle = [&](QRgb outerTL, QRgb outerBR, QRgb innerTL, QRgb innerBR) {
    DrawFrameParts(left, top, right, bottom, outerTL, outerBR);
    DrawFrameParts(left + 1, top + 1, right - 1, bottom - 1, innerTL, innerBR);
  };
  switch (style) {
    case fsNone: break;
    case fsSimple: DrawFrameParts(left, top, right, bottom, simpleFCol, simpleFCol); break;
    case fsLowered: DrawRectangle(grey, white, black, silver); break;
    case fsRaised: DrawRectangle(white, black, silver, grey); break;
    case fsEmbossed: DrawRectangle(white, grey, grey, white); break;
    case fsEngraved: DrawRectangle(grey, white, white, grey); break;
  }
}

// Whether the ancestors' edges hide all of the widget, as with a display scrolled out of a scroll
// area's view. Such a display is painted when it comes into view, so a new caption asks for no paint
// now: a list of many displays, most out of view, would otherwise put every one on the repaint list.
static bool outOfView(const QWidget* w) {
  QRect r = w->rect();
  for (; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
    r = r.translated(w->pos()) & w->parentWidget()->rect();
    if (r.isEmpty()) return true;
  }
  return false;
}

void TSevenSeg::setCaption(const QString& text) {
  if (text == FCaption) return;
  FCaption = text;
  if (!outOfView(this)) update();
  if (!accessibility::listening()) return;
  // The first change is told at once; quick ones after it wait and only the last is told.
  if (FAnnounceTimer.isActive())
    FAnnouncePending = true;
  else
    announceCaption();
}

void TSevenSeg::announceCaption() {
  QAccessibleValueChangeEvent event(this, FCaption);
  accessibility::post(&event);
  FAnnounceTimer.start();
}

void TSevenSeg::setNumDigits(int digits) {
  if (digits < 1 || digits > MaxNumDigits || digits == FNumDigits) return;
  FNumDigits = digits;
  invalidateGlyphs();
}

void TSevenSeg::setColorText(TColor color) {
  if (color == FColorTxt) return;
  FColorTxt = color;
  invalidateGlyphs();
}

void TSevenSeg::setColorBackGnd(TColor color) {
  if (color == FColorBakG) return;
  FColorBakG = color;
  invalidateGlyphs();
}

void TSevenSeg::setFrameStyle(TFrameStyle style) {
  if (style < fsNone || style > fsEngraved || style == FFrameStyle) return;
  FFrameStyle = style;
  update();
}

void TSevenSeg::setColorScheme(TColorScheme scheme) {
  if (scheme < csBWG || scheme > csSystem || scheme == FColorScheme) return;
  FColorScheme = scheme;
  if (scheme == csBWG) {
    FColGrayLine = 0x808080;
    FColWhiteLine = 0xFFFFFF;
  } else {
    FColGrayLine = fromQColor(palette().color(QPalette::Dark));
    FColWhiteLine = fromQColor(palette().color(QPalette::Light));
  }
  update();
}

void TSevenSeg::setMargin(int margin) {
  // a negative margin would put cells outside the control and make them wider than it
  margin = std::max(0, std::min(margin, height() / 2 - 1));
  if (margin == FMargin) return;
  FMargin = margin;
  invalidateGlyphs();
}

void TSevenSeg::setInterDigDist(int dist) {
  dist = std::clamp(dist, 0, MaxInterDigDist);
  if (dist == FInterDigDist) return;
  FInterDigDist = dist;
  invalidateGlyphs();
}

int TSevenSeg::cellWidth() const { return (width() - 2 * FMargin) / FNumDigits - FInterDigDist; }

int TSevenSeg::cellHeight() const { return height() - 2 * FMargin; }

void TSevenSeg::invalidateGlyphs() {
  FGlyphsValid = false;
  update();
}

const QImage* TSevenSeg::glyphStrip() {
  if (!FGlyphsValid) {
    FGlyphsValid = true;
    ImgCache.reset();
    const int dw = cellWidth(), h = cellHeight();
    if (dw > 0 && h > 0) {
      const StripKey key{dw, h, rgbOf(FColorTxt), rgbOf(FColorBakG)};
      auto& cache = stripCache();
      auto it = cache.find(key);
      if (it != cache.end()) ImgCache = it->second.lock();
      if (!ImgCache) {
        for (auto e = cache.begin(); e != cache.end();) e = e->second.expired() ? cache.erase(e) : std::next(e);
        QImage strip = CreateImageCache(dw, h, FColorTxt, FColorBakG);
        if (!strip.isNull()) {
          ImgCache = std::make_shared<const QImage>(std::move(strip));
          cache[key] = ImgCache;
        }
      }
    }
  }
  return ImgCache ? ImgCache.get() : nullptr;
}

void TSevenSeg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ProcessResize();
}

void TSevenSeg::ProcessResize() {
  if (width() == FWidth && height() == FHeight) return;
  FWidth = width();
  FHeight = height();
  invalidateGlyphs();
}

void TSevenSeg::paintEvent(QPaintEvent*) { Paint(); }

void TSevenSeg::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  // The ring marks where Tab went; focus that a window hands out as it opens shows none, so a mouse
  // user sees the display as it always was.
  FFocusRing = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  update();
}

void TSevenSeg::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TSevenSeg::Paint() {
  const int w = width(), h = height();
  if (w <= 0 || h <= 0) return;
  if (FBackBuffer.size() != size()) FBackBuffer = QImage(w, h, QImage::Format_RGB32);
  if (FBackBuffer.isNull()) return;
  const QRgb back = rgbOf(FColorBakG);
  FBackBuffer.fill(back);

  const QImage* strip = glyphStrip();
  const int dw = cellWidth(), ch = cellHeight();
  if (strip && !FCaption.isEmpty() && strip->width() == dw * Max7SegChars && strip->height() == ch) {
    QPainter p(&FBackBuffer);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const int dpX = 5 * dw / 6, dpY = 5 * ch / 6;
    int i = 0, j = 0;
    while (i < FNumDigits && j < FCaption.size()) {
      const int cellLeft = FMargin + i * (dw + FInterDigDist);
      ++i;
      QChar c = FCaption.at(j++);
      bool dp = false;
      if (c == u'.' || c == u',') {
        dp = true;
      } else if (j < FCaption.size() && (FCaption.at(j) == u'.' || FCaption.at(j) == u',')) {
        dp = true;
        ++j;
      }
      if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
      for (int g = 0; g < Max7SegChars; ++g) {
        if (CharList[std::size_t(g)] == c.unicode()) {
          p.drawImage(QPoint(cellLeft, FMargin), *strip, QRect(g * dw, 0, dw, ch));
          break;
        }
      }
      if (dp)
        p.drawImage(QPoint(cellLeft + dpX, FMargin + dpY), *strip, QRect(DotGlyph * dw + dpX, dpY, dw - dpX, ch - dpY));
    }
  }

  DrawFrame(FBackBuffer, FFrameStyle, 0, 0, w - 1, h - 1, rgbOf(0xFFFFFF), rgbOf(0xC0C0C0), rgbOf(0x808080),
            rgbOf(0x000000), rgbOf(FColBlackLine));
  QPainter painter(this);
  painter.drawImage(0, 0, FBackBuffer);
  if (hasFocus() && FFocusRing) {
    // Keyboard focus: a dotted ring in the segments' colour between the frame and the cells.
    painter.setPen(QPen(toQColor(FColorTxt), 1, Qt::DotLine));
    painter.drawRect(QRect(3, 3, w - 7, h - 7));
  }
}
