// Draws the About window's picture: the front plates of an Orv11, an Orv15 and an Orv18 in a rack,
// lit from above. Deterministic (fixed noise seed), so a rerun on the same fonts gives the same file.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int Width = 450;
constexpr int Height = 436;
constexpr int PanelHeight = 128;
const QColor ButtonFace(212, 207, 201);
const QColor SegmentRed(255, 38, 24);

std::mt19937 rng(1108);

// Box blur of all four channels, repeated for a softer, nearly Gaussian falloff.
void blur(QImage& img, int radius, int passes) {
  const int w = img.width(), h = img.height();
  std::vector<int> acc(4);
  QImage tmp = img;
  for (int p = 0; p < passes; ++p) {
    for (int dir = 0; dir < 2; ++dir) {
      const int len = dir == 0 ? w : h, lines = dir == 0 ? h : w;
      for (int line = 0; line < lines; ++line) {
        auto px = [&](QImage& im, int i) -> QRgb& {
          const int x = dir == 0 ? i : line, y = dir == 0 ? line : i;
          return reinterpret_cast<QRgb*>(im.scanLine(y))[x];
        };
        for (int i = 0; i < len; ++i) {
          int a = 0, r = 0, g = 0, b = 0, n = 0;
          for (int k = std::max(0, i - radius); k <= std::min(len - 1, i + radius); ++k, ++n) {
            const QRgb c = px(img, k);
            a += qAlpha(c), r += qRed(c), g += qGreen(c), b += qBlue(c);
          }
          px(tmp, i) = qRgba(r / n, g / n, b / n, a / n);
        }
      }
      std::swap(img, tmp);
    }
  }
}

// Brushed aluminium: random grain smeared along the brushing direction, over a vertical gradient.
QImage brushedMetal(QSize size, QColor top, QColor bottom) {
  QImage grain(size, QImage::Format_ARGB32_Premultiplied);
  std::uniform_int_distribution<int> d(0, 255);
  for (int y = 0; y < size.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(grain.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int v = d(rng);
      row[x] = qRgba(v, v, v, 255);
    }
  }
  QImage streaks = grain;
  // Horizontal only: a wide horizontal blur turns the grain into brush strokes.
  for (int y = 0; y < size.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(streaks.scanLine(y));
    const auto* src = reinterpret_cast<const QRgb*>(grain.scanLine(y));
    int sum = 0, n = 0;
    const int r = 24;
    for (int x = -r; x < size.width(); ++x) {
      if (x + r < size.width()) sum += qRed(src[x + r]), ++n;
      if (x - r - 1 >= 0) sum -= qRed(src[x - r - 1]), --n;
      if (x >= 0) row[x] = qRgb(sum / n, sum / n, sum / n);
    }
  }
  QImage out(size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size.height(); ++y) {
    const double t = size.height() > 1 ? double(y) / (size.height() - 1) : 0;
    const int br = top.red() + (bottom.red() - top.red()) * t;
    const int bg = top.green() + (bottom.green() - top.green()) * t;
    const int bb = top.blue() + (bottom.blue() - top.blue()) * t;
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    const auto* s = reinterpret_cast<const QRgb*>(streaks.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int off = (qRed(s[x]) - 128) / 3;
      row[x] = qRgb(std::clamp(br + off, 0, 255), std::clamp(bg + off, 0, 255), std::clamp(bb + off, 0, 255));
    }
  }
  return out;
}

void softShadow(QPainter& p, const QRectF& r, qreal radius, int blurRadius, int alpha, QPointF offset) {
  const int m = blurRadius * 3;
  QImage s((r.size() + QSizeF(2 * m, 2 * m)).toSize(), QImage::Format_ARGB32_Premultiplied);
  s.fill(Qt::transparent);
  {
    QPainter sp(&s);
    sp.setRenderHint(QPainter::Antialiasing);
    sp.setPen(Qt::NoPen);
    sp.setBrush(QColor(0, 0, 0, alpha));
    sp.drawRoundedRect(QRectF(m, m, r.width(), r.height()), radius, radius);
  }
  blur(s, blurRadius, 2);
  p.drawImage(r.topLeft() + offset - QPointF(m, m), s);
}

void screw(QPainter& p, QPointF c) {
  QRadialGradient head(c + QPointF(-1.5, -1.5), 5.5);
  head.setColorAt(0, QColor(250, 250, 250));
  head.setColorAt(0.6, QColor(170, 172, 176));
  head.setColorAt(1, QColor(90, 92, 96));
  p.setPen(QPen(QColor(60, 60, 64), 0.8));
  p.setBrush(head);
  p.drawEllipse(c, 5, 5);
  p.setPen(QPen(QColor(50, 50, 54), 1.4));
  p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
  p.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
  p.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
  p.drawLine(c + QPointF(-3, 1), c + QPointF(-1, 1));
  p.drawLine(c + QPointF(1, 1), c + QPointF(3, 1));
}

// Segments a..g as hexagonal bars in a digit box; lit ones glow, unlit ones stay faintly visible.
std::vector<QPolygonF> segments(const QRectF& box) {
  const qreal t = box.width() * 0.2, g = t * 0.18;
  const qreal l = box.left() + t / 2, r = box.right() - t / 2;
  const qreal top = box.top() + t / 2, mid = box.center().y(), bot = box.bottom() - t / 2;
  auto hbar = [&](qreal y) {
    return QPolygonF({QPointF(l + g, y), QPointF(l + g + t / 2, y - t / 2), QPointF(r - g - t / 2, y - t / 2),
                      QPointF(r - g, y), QPointF(r - g - t / 2, y + t / 2), QPointF(l + g + t / 2, y + t / 2)});
  };
  auto vbar = [&](qreal x, qreal y0, qreal y1) {
    return QPolygonF({QPointF(x, y0 + g), QPointF(x + t / 2, y0 + g + t / 2), QPointF(x + t / 2, y1 - g - t / 2),
                      QPointF(x, y1 - g), QPointF(x - t / 2, y1 - g - t / 2), QPointF(x - t / 2, y0 + g + t / 2)});
  };
  return {hbar(top), vbar(r, top, mid), vbar(r, mid, bot), hbar(bot), vbar(l, mid, bot), vbar(l, top, mid), hbar(mid)};
}

int segmentMask(char ch) {
  static const int masks[16] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07,
                                0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
  const int i = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
  return i < 0 ? 0 : masks[i];
}

void readout(QPainter& p, const QRectF& window, const char* text) {
  // Bezel, then the smoked glass with the digits behind it.
  QLinearGradient bezel(window.topLeft(), window.bottomLeft());
  bezel.setColorAt(0, QColor(40, 40, 42));
  bezel.setColorAt(1, QColor(150, 152, 156));
  p.setPen(Qt::NoPen);
  p.setBrush(bezel);
  p.drawRoundedRect(window.adjusted(-3, -3, 3, 3), 4, 4);
  QLinearGradient glass(window.topLeft(), window.bottomLeft());
  glass.setColorAt(0, QColor(18, 6, 6));
  glass.setColorAt(1, QColor(38, 12, 10));
  p.setBrush(glass);
  p.drawRoundedRect(window, 2, 2);

  const int n = int(std::strlen(text));
  const qreal pad = 7, gap = 6;
  const qreal dw = (window.width() - 2 * pad - (n - 1) * gap) / n;
  QTransform slant;
  slant.translate(0, window.bottom());
  slant.shear(-0.08, 0);
  slant.translate(0, -window.bottom());

  QImage glow(window.size().toSize() + QSize(24, 24), QImage::Format_ARGB32_Premultiplied);
  glow.fill(Qt::transparent);
  QPainter gp(&glow);
  gp.setRenderHint(QPainter::Antialiasing);
  gp.translate(12 - window.left(), 12 - window.top());
  gp.setTransform(slant, true);
  gp.setPen(Qt::NoPen);
  gp.setBrush(SegmentRed);

  p.save();
  p.setClipRect(window);
  p.setTransform(slant, true);
  for (int i = 0; i < n; ++i) {
    const QRectF box(window.left() + pad + i * (dw + gap), window.top() + pad, dw, window.height() - 2 * pad);
    const auto segs = segments(box);
    const int mask = segmentMask(text[i]);
    for (int s = 0; s < 7; ++s) {
      const bool on = mask & (1 << s);
      p.setBrush(on ? SegmentRed : QColor(62, 18, 14));
      p.drawPolygon(segs[s]);
      if (on) gp.drawPolygon(segs[s]);
    }
  }
  p.restore();
  gp.end();
  blur(glow, 4, 2);
  p.save();
  p.setClipRect(window.adjusted(-2, -2, 2, 2));
  p.setCompositionMode(QPainter::CompositionMode_Plus);
  p.setOpacity(0.8);
  p.drawImage(window.topLeft() - QPointF(12, 12), glow);
  p.restore();

  // Reflection on the glass.
  QLinearGradient shine(window.topLeft(), window.bottomRight());
  shine.setColorAt(0, QColor(255, 255, 255, 46));
  shine.setColorAt(0.45, QColor(255, 255, 255, 14));
  shine.setColorAt(0.46, QColor(255, 255, 255, 0));
  p.setBrush(shine);
  p.drawRoundedRect(window, 2, 2);
}

void led(QPainter& p, QPointF c, QColor lit, bool on) {
  if (on) {
    QRadialGradient halo(c, 11);
    halo.setColorAt(0, QColor(lit.red(), lit.green(), lit.blue(), 150));
    halo.setColorAt(1, QColor(lit.red(), lit.green(), lit.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, 11, 11);
  }
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(170, 170, 170));
  p.drawEllipse(c, 4.8, 4.8);
  QRadialGradient dome(c + QPointF(-1.2, -1.2), 4);
  dome.setColorAt(0, on ? QColor(255, 235, 220) : lit.darker(260));
  dome.setColorAt(0.45, on ? lit : lit.darker(400));
  dome.setColorAt(1, on ? lit.darker(160) : lit.darker(600));
  p.setPen(Qt::NoPen);
  p.setBrush(dome);
  p.drawEllipse(c, 3.6, 3.6);
}

QFont sans(int px, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(px);
  f.setBold(bold);
  return f;
}

// Screen-printed legend, with a faint light edge below it as on a real plate.
void legend(QPainter& p, const QRectF& r, const QString& text, const QFont& font, Qt::Alignment align,
            QColor ink = QColor(38, 40, 46)) {
  p.setFont(font);
  p.setPen(ink.lightness() > 128 ? QColor(0, 0, 0, 140) : QColor(255, 255, 255, 120));
  p.drawText(r.translated(0, 1), align, text);
  p.setPen(ink);
  p.drawText(r, align, text);
}

void button(QPainter& p, const QRectF& r, const QString& caption, bool latched) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 30, 32));  // the hole in the plate
  p.drawRoundedRect(r.adjusted(-2.5, -2.5, 2.5, 2.5), 5, 5);
  softShadow(p, r, 4, 2, 170, QPointF(0, latched ? 1 : 3));
  const QRectF cap = r.translated(0, latched ? 1 : 0);
  QLinearGradient body(cap.topLeft(), cap.bottomLeft());
  const QColor face = latched ? ButtonFace.darker(112) : ButtonFace;
  body.setColorAt(0, face.lighter(112));
  body.setColorAt(0.5, face);
  body.setColorAt(1, face.darker(128));
  p.setPen(QPen(QColor(95, 92, 88), 0.8));
  p.setBrush(body);
  p.drawRoundedRect(cap, 4, 4);
  // Slightly dished top.
  QLinearGradient dish(cap.topLeft(), cap.bottomLeft());
  dish.setColorAt(0, QColor(0, 0, 0, 26));
  dish.setColorAt(1, QColor(255, 255, 255, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(dish);
  p.drawRoundedRect(cap.adjusted(4, 4, -4, -4), 3, 3);
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  p.drawLine(cap.topLeft() + QPointF(4, 1), cap.topRight() + QPointF(-4, 1));
  p.setFont(sans(caption.size() > 1 ? 15 : 17, true));
  p.setPen(QColor(50, 48, 46));
  p.drawText(cap, Qt::AlignCenter, caption);
}

// The plate with its ears, screws and bevel; returns the face area for the controls.
QRectF plate(QPainter& p, int top, QColor light, QColor dark) {
  const QRectF r(4, top, Width - 8, PanelHeight);
  softShadow(p, r, 2, 5, 200, QPointF(0, 5));
  p.drawImage(r.topLeft(), brushedMetal(r.size().toSize(), light, dark));
  QLinearGradient edge(r.topLeft(), r.bottomLeft());
  edge.setColorAt(0, QColor(255, 255, 255, 200));
  edge.setColorAt(0.03, QColor(255, 255, 255, 0));
  edge.setColorAt(0.96, QColor(0, 0, 0, 0));
  edge.setColorAt(1, QColor(0, 0, 0, 150));
  p.setPen(Qt::NoPen);
  p.setBrush(edge);
  p.drawRect(r);
  p.setPen(QPen(QColor(70, 72, 76), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
  // Folds between ears and face.
  for (qreal x : {r.left() + 22, r.right() - 22}) {
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.drawLine(QPointF(x, r.top() + 1), QPointF(x, r.bottom() - 1));
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(x + 1, r.top() + 1), QPointF(x + 1, r.bottom() - 1));
  }
  for (qreal x : {r.left() + 11, r.right() - 11}) {
    for (qreal y : {r.top() + 20, r.bottom() - 20}) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(20, 20, 22));
      p.drawRoundedRect(QRectF(x - 7, y - 4, 14, 8), 4, 4);
      screw(p, QPointF(x, y));
    }
  }
  return r.adjusted(30, 8, -30, -8);
}

void brand(QPainter& p, const QRectF& face, const QString& model, const QString& what,
           QColor ink = QColor(38, 40, 46)) {
  legend(p, QRectF(face.left(), face.top(), 200, 16), QStringLiteral("ORVANE"), sans(13, true),
         Qt::AlignLeft | Qt::AlignVCenter, ink.lightness() > 128 ? QColor(255, 92, 80) : QColor(150, 20, 20));
  legend(p, QRectF(face.left() + 64, face.top(), 200, 16), model, sans(13, true), Qt::AlignLeft | Qt::AlignVCenter,
         ink);
  legend(p, QRectF(face.right() - 230, face.top(), 230, 16), what, sans(10, false), Qt::AlignRight | Qt::AlignVCenter,
         ink);
}

void orv11(QPainter& p, int top) {
  const QRectF face = plate(p, top, QColor(214, 216, 220), QColor(168, 170, 175));
  brand(p, face, QStringLiteral("Orv11"), QStringLiteral("FEEDLINE EXTENDER / TUNER"));
  readout(p, QRectF(face.left() + 4, face.top() + 28, 100, 72), "25");
  legend(p, QRectF(face.left() + 4, face.bottom() - 10, 100, 12), QStringLiteral("POSITION"), sans(9, true),
         Qt::AlignCenter);
  const char* steps[] = {"++", "+", "-", "--"};
  for (int i = 0; i < 4; ++i) {
    const QRectF b(face.left() + 128 + i * 54, face.top() + 36, 44, 52);
    button(p, b, QString::fromLatin1(steps[i]), false);
  }
  legend(p, QRectF(face.left() + 128, face.bottom() - 10, 206, 12), QStringLiteral("UP          STEP          DOWN"),
         sans(9, true), Qt::AlignCenter);
  led(p, QPointF(face.right() - 20, face.top() + 50), QColor(40, 230, 60), true);
  legend(p, QRectF(face.right() - 50, face.top() + 60, 60, 12), QStringLiteral("POWER"), sans(9, true),
         Qt::AlignCenter);
  led(p, QPointF(face.right() - 20, face.top() + 84), QColor(255, 170, 20), false);
  legend(p, QRectF(face.right() - 50, face.top() + 94, 60, 12), QStringLiteral("BUS"), sans(9, true), Qt::AlignCenter);
}

void portPanel(QPainter& p, int top, const QString& model, const QString& what, const QString& ports, int port,
               QColor light, QColor dark, QColor ink) {
  const QRectF face = plate(p, top, light, dark);
  brand(p, face, model, what, ink);
  const char digit[2] = {char('0' + port), 0};
  readout(p, QRectF(face.left() + 4, face.top() + 28, 52, 72), digit);
  legend(p, QRectF(face.left() - 6, face.bottom() - 10, 72, 12), QStringLiteral("PORT"), sans(9, true), Qt::AlignCenter,
         ink);
  for (int k = 1; k <= 8; ++k) {
    const qreal x = face.left() + 70 + (k - 1) * 40;
    led(p, QPointF(x + 16, face.top() + 30), QColor(255, 40, 30), k == port);
    button(p, QRectF(x, face.top() + 44, 32, 46), QString::number(k), k == port);
  }
  legend(p, QRectF(face.left() + 70, face.bottom() - 10, 312, 12), ports, sans(9, true), Qt::AlignCenter, ink);
}

void rack(QPainter& p) {
  QLinearGradient back(0, 0, 0, Height);
  back.setColorAt(0, QColor(44, 46, 52));
  back.setColorAt(1, QColor(14, 15, 18));
  p.fillRect(0, 0, Width, Height, back);
  // Rails with their square holes, visible between the plates.
  for (int x : {0, Width - 20}) {
    QLinearGradient rail(x, 0, x + 20, 0);
    rail.setColorAt(0, QColor(70, 72, 78));
    rail.setColorAt(0.5, QColor(120, 122, 128));
    rail.setColorAt(1, QColor(56, 58, 62));
    p.fillRect(x, 0, 20, Height, rail);
    for (int y = 3; y < Height; y += 15) p.fillRect(x + 7, y, 6, 6, QColor(10, 10, 12));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: about-picture OUTPUT.png\n");
    return 2;
  }
  QImage img(Width, Height, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  rack(p);
  orv11(p, 14);
  portPanel(p, 152, QStringLiteral("Orv15"), QStringLiteral("RADIO ROUTER"), QStringLiteral("RADIO SELECT"), 3,
            QColor(96, 104, 118), QColor(58, 64, 76), QColor(226, 228, 232));
  portPanel(p, 290, QStringLiteral("Orv18"), QStringLiteral("8 PORT AUXILIARY SWITCH"), QStringLiteral("AUX OUTPUT"), 6,
            QColor(206, 208, 212), QColor(160, 162, 168), QColor(38, 40, 46));
  // Light falls from the upper left.
  QLinearGradient light(0, 0, Width, Height);
  light.setColorAt(0, QColor(255, 250, 240, 28));
  light.setColorAt(0.5, QColor(0, 0, 0, 0));
  light.setColorAt(1, QColor(0, 0, 30, 40));
  p.fillRect(0, 0, Width, Height, light);
  p.end();
  if (!img.save(QString::fromLocal8Bit(argv[1]), "PNG", 9)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
