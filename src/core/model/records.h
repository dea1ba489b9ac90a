#pragma once
// The records of the system table. Their memory layout is the byte layout of the record files,
// so files are read and written byte for byte from these structs.
#include <QString>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/model/codepage.h"

static_assert(std::endian::native == std::endian::little, "record files are little-endian");

// A text of at most Capacity characters in the 8-bit code page: a length byte, then the characters.
// Writing sets only the length and the characters, so the bytes behind a shorter text keep
// whatever an earlier, longer text left there; those bytes travel into the files as they are.
template <int Capacity>
struct FixedText {
  static_assert(Capacity > 0 && Capacity <= 255);
  std::uint8_t length;
  char chars[Capacity];

  static constexpr int capacity = Capacity;

  // A length byte from a file may exceed the capacity; never trust it.
  int size() const { return length > Capacity ? Capacity : length; }
  QByteArray bytes() const { return QByteArray(chars, size()); }
  QString text() const { return codepage::decode(QByteArrayView(chars, size())); }
  bool isEmpty() const { return size() == 0; }

  void set(QStringView value) { setBytes(codepage::encodeCut(value, Capacity)); }
  void setBytes(QByteArrayView value) {
    const auto n = static_cast<std::size_t>(qMin<qsizetype>(value.size(), Capacity));
    if (n) std::memcpy(chars, value.data(), n);
    length = static_cast<std::uint8_t>(n);
  }
  FixedText& operator=(QStringView value) {
    set(value);
    return *this;
  }
};

// One byte on disk; any non-zero byte reads as true (a C++ bool holding 2 would be undefined).
struct ByteBool {
  std::uint8_t value;
  operator bool() const { return value != 0; }
  ByteBool& operator=(bool b) {
    value = b ? 1 : 0;
    return *this;
  }
};

struct TSystemRecord {
  FixedText<255> Comment;
  std::int32_t Id;
  ByteBool I_bruk;
  std::uint8_t gap1[3];
  std::int32_t Adresse;
  FixedText<255> Navn;
  FixedText<255> BrukerDef;
  FixedText<255> Btn1Txt;
  FixedText<255> Btn2Txt;
  FixedText<255> Btn3Txt;
  FixedText<255> Btn4Txt;
  FixedText<255> Btn5Txt;
  FixedText<255> Btn6Txt;
  FixedText<255> Btn7Txt;
  FixedText<255> Btn8Txt;
  std::int32_t Status;
  FixedText<255> Status7seg;
  std::int32_t TunerNr;

  // Port labels by port number 1..8; nullptr outside.
  FixedText<255>* btnTxt(int port);
  const FixedText<255>* btnTxt(int port) const;
};

struct TKnapperRecord {
  FixedText<11> Tekst;
  std::int32_t Verdi;
};

// The memories of one antenna tuner.
constexpr int TunerMemories = 48;

struct TTunerRecord {
  std::int32_t TunerNr;
  std::int32_t Adresse;
  std::int32_t Status;
  TKnapperRecord Buttons[TunerMemories];
};

struct TUsrBtnType {
  std::int32_t Index;
  ByteBool InUse;
  FixedText<255> FileName;
  FixedText<15> ButtonText;
  std::uint8_t gap[3];
};

static_assert(sizeof(FixedText<255>) == 256 && sizeof(FixedText<11>) == 12 && sizeof(FixedText<15>) == 16);
static_assert(sizeof(ByteBool) == 1);

static_assert(sizeof(TSystemRecord) == 3092);
static_assert(offsetof(TSystemRecord, Comment) == 0);
static_assert(offsetof(TSystemRecord, Id) == 256);
static_assert(offsetof(TSystemRecord, I_bruk) == 260);
static_assert(offsetof(TSystemRecord, Adresse) == 264);
static_assert(offsetof(TSystemRecord, Navn) == 268);
static_assert(offsetof(TSystemRecord, BrukerDef) == 524);
static_assert(offsetof(TSystemRecord, Btn1Txt) == 780);
static_assert(offsetof(TSystemRecord, Btn2Txt) == 1036);
static_assert(offsetof(TSystemRecord, Btn3Txt) == 1292);
static_assert(offsetof(TSystemRecord, Btn4Txt) == 1548);
static_assert(offsetof(TSystemRecord, Btn5Txt) == 1804);
static_assert(offsetof(TSystemRecord, Btn6Txt) == 2060);
static_assert(offsetof(TSystemRecord, Btn7Txt) == 2316);
static_assert(offsetof(TSystemRecord, Btn8Txt) == 2572);
static_assert(offsetof(TSystemRecord, Status) == 2828);
static_assert(offsetof(TSystemRecord, Status7seg) == 2832);
static_assert(offsetof(TSystemRecord, TunerNr) == 3088);

static_assert(sizeof(TKnapperRecord) == 16);
static_assert(offsetof(TKnapperRecord, Verdi) == 12);

static_assert(sizeof(TTunerRecord) == 780);
static_assert(offsetof(TTunerRecord, Adresse) == 4);
static_assert(offsetof(TTunerRecord, Status) == 8);
static_assert(offsetof(TTunerRecord, Buttons) == 12);

static_assert(sizeof(TUsrBtnType) == 280);
static_assert(offsetof(TUsrBtnType, InUse) == 4);
static_assert(offsetof(TUsrBtnType, FileName) == 5);
static_assert(offsetof(TUsrBtnType, ButtonText) == 261);
static_assert(offsetof(TUsrBtnType, gap) == 277);

static_assert(std::is_trivially_copyable_v<TSystemRecord> && std::is_trivially_copyable_v<TTunerRecord> &&
              std::is_trivially_copyable_v<TUsrBtnType>);
