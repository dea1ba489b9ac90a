#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QPaintEvent;
class QResizeEvent;

// Seven-segment LED readout. Glyphs are composed once per size and colour pair into a strip of
// cells (shared between displays that need the same strip); a paint only copies cells.
class TSevenSeg : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ caption WRITE setCaption)
  Q_PROPERTY(int NumDigits READ numDigits WRITE setNumDigits)
  Q_PROPERTY(quint32 ColorText READ colorText WRITE setColorText)
  Q_PROPERTY(quint32 ColorBackGnd READ colorBackGnd WRITE setColorBackGnd)
  Q_PROPERTY(TFrameStyle FrameStyle READ frameStyle WRITE setFrameStyle)
  Q_PROPERTY(TColorScheme ColorScheme READ colorScheme WRITE setColorScheme)
  Q_PROPERTY(int Margin READ margin WRITE setMargin)
  Q_PROPERTY(int InterDigDist READ interDigDist WRITE setInterDigDist)

 public:
  enum TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
  Q_ENUM(TFrameStyle)
  enum TColorScheme { csBWG, csSystem };
  Q_ENUM(TColorScheme)

  // Colours are 0x00BBGGRR; a top byte of 0xFF names a system colour by the index in the low byte.
  using TColor = std::uint32_t;

  static constexpr int defDigWidth = 312;
  static constexpr int defDigHeight = 432;
  static constexpr int Max7SegChars = 21;
  static constexpr int MaxInterDigDist = 255;
  static constexpr int MaxNumDigits = 32;
  // A screen reader hears a display's changes at most this often; the last one always.
  static constexpr int AnnounceIntervalMs = 400;
  static const std::array<char16_t, Max7SegChars> SevenSegCharList;

  explicit TSevenSeg(QWidget* parent = nullptr);
  ~TSevenSeg() override;

  QString caption() const { return FCaption; }
  void setCaption(const QString& text);

  int numDigits() const { return FNumDigits; }
  void setNumDigits(int digits);

  TColor colorText() const { return FColorTxt; }
  void setColorText(TColor color);

  TColor colorBackGnd() const { return FColorBakG; }
  void setColorBackGnd(TColor color);

  TFrameStyle frameStyle() const { return FFrameStyle; }
  void setFrameStyle(TFrameStyle style);

  TColorScheme colorScheme() const { return FColorScheme; }
  void setColorScheme(TColorScheme scheme);

  int margin() const { return FMargin; }
  void setMargin(int margin);

  int interDigDist() const { return FInterDigDist; }
  void setInterDigDist(int dist);

  static QColor toQColor(TColor color);
  static TColor fromQColor(const QColor& color);

  // The glyph of one character in the defDigWidth x defDigHeight master cell.
  static QImage CreateDigit(QChar ch, bool decPoint, TColor colorText, TColor colorBackGnd);
  // All Max7SegChars glyphs side by side, each cellWidth x cellHeight; null if either is <= 0.
  static QImage CreateImageCache(int cellWidth, int cellHeight, TColor colorText, TColor colorBackGnd);
  // Two nested one-pixel rings (or one outline for fsSimple) inside the inclusive bounds.
  static void DrawFrame(QImage& canvas, TFrameStyle style, int left, int top, int right, int bottom, QRgb white,
                        QRgb silver, QRgb grey, QRgb black, QRgb simpleFCol);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ProcessResize();
  void announceCaption();
  void Paint();
  void invalidateGlyphs();
  const QImage* glyphStrip();
  int cellWidth() const;
  int cellHeight() const;

  TColor FColorBakG = 0x333333;
  TColor FColorTxt = 0x0000FF;
  int FNumDigits = 4;
  QString FCaption = QStringLiteral("8.8.8.8.");
  TFrameStyle FFrameStyle = fsLowered;
  int FMargin = 8;
  int FInterDigDist = 2;
  int FWidth = 0;
  int FHeight = 0;
  TColor FColBlackLine = 0x000000;
  TColor FColGrayLine = 0x808080;
  TColor FColWhiteLine = 0xFFFFFF;
  TColorScheme FColorScheme = csBWG;

  std::shared_ptr<const QImage> ImgCache;
  bool FGlyphsValid = false;
  QImage FBackBuffer;
  QTimer FAnnounceTimer;
  bool FAnnouncePending = false;
  bool FFocusRing = false;
};
