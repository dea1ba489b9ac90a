#include "core/link/protocol.h"

#include <cstring>

#include "core/model/formatting.h"
#include "core/model/integer_rule.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"

QString FjernCRLF(QString s) {
  const qsizetype cr = s.indexOf(u'\r');
  if (cr >= 0) s.remove(cr, 1);
  const qsizetype lf = s.indexOf(u'\n');
  if (lf >= 0) s.remove(lf, 1);
  return s;
}

bool holdsStatusReplies(QStringView chunk) { return chunk.contains(u"Ret X"); }

bool holdsNameReply(QStringView chunk) { return chunk.indexOf(u"0xFF") >= 1; }

namespace {

// Finds a needle at or after a position that only ever moves forward in an unchanging text, so a
// whole walk costs one pass over the text even for hostile input.
class ForwardFinder {
 public:
  ForwardFinder(QStringView hay, QStringView needle) : hay_(hay), needle_(needle) {}
  qsizetype from(qsizetype pos) {
    if (found_ == kAbsent) return kAbsent;
    if (found_ >= pos) return found_;
    found_ = hay_.indexOf(needle_, pos);
    return found_;
  }

 private:
  static constexpr qsizetype kAbsent = -1;
  QStringView hay_;
  QStringView needle_;
  qsizetype found_ = -2;
};

void applyModelRule(TSystemRecord& slot) {
  const PanelModel* model = panelModelOf(slot);
  if (!model) return;
  slot.BrukerDef = model->description;
  if (!model->tuner) return;
  ++AntallTunere;
  slot.TunerNr = AntallTunere;
  if (AntallTunere >= 1 && AntallTunere <= TunerSlots) TunerArray[AntallTunere - 1].Adresse = slot.Adresse;
}

}  // namespace

NameReply readNameReply(QStringView S) {
  NameReply reply;
  const qsizetype ret = S.indexOf(u"Ret");
  const qsizetype start = ret >= 0 ? ret + 4 : 3;
  const QString text = FjernCRLF(S.mid(qMin(start, S.size())).toString());
  const QStringView rest(text);
  const qsizetype n = rest.size();

  ForwardFinder blank(rest, u" "), colon(rest, u":"), name(rest, u"Name:"), hexMark(rest, u"0x");
  auto addressTextAt = [&](qsizetype p) {
    const qsizetype c = colon.from(p);
    return c < 0 ? QStringView() : rest.mid(p, c - p);
  };
  auto skipName = [&](qsizetype p) {
    const qsizetype at = name.from(p);
    return at >= 0 ? at + 5 : qMin(p + 4, n);
  };

  try {
    qsizetype p = 0;
    int nr = 1;
    while (blank.from(p) >= 0) {
      const QStringView addr = addressTextAt(p);
      const int slotNr = StrToInt(addr);
      const int address = HexToInt(addr);
      p = skipName(p);
      const qsizetype b = blank.from(p);
      const QStringView model = b < 0 ? QStringView() : rest.mid(p, b - p);
      if (const qsizetype next = hexMark.from(p); next >= 0) p = next;
      reply.entries.append({slotNr, address, model.toString(), nr});
      ++nr;
    }
    if (n - p > 2) {
      const QStringView addr = addressTextAt(p);
      const int slotNr = StrToInt(addr);
      const int address = HexToInt(addr);
      p = skipName(p);
      reply.entries.append({slotNr, address, rest.mid(p).toString(), nr});
    }
  } catch (const ConversionError& e) {
    reply.failedText = e.text();
  }
  return reply;
}

void applyNameReply(const NameReply& reply) {
  for (const NameEntry& e : reply.entries) {
    if (!isSystemSlot(e.slot)) continue;
    TSystemRecord& slot = SystemArray[e.slot];
    slot.Adresse = e.address;
    slot.Navn = e.model;
    applyModelRule(slot);
    slot.I_bruk = true;
    slot.Id = e.id;
  }
  if (reply.failedText) throw ConversionError(*reply.failedText);
}

void GetNames(QStringView S) { applyNameReply(readNameReply(S)); }

namespace {

// The status-reply walk removes the first CR and LF of what remains at every reply. The remainder
// is kept as buf[pos..]; a character is removed by shifting the (short) text before it one place
// to the right, so a chunk of many replies costs one pass instead of one copy per reply.
class StatusWalk {
 public:
  explicit StatusWalk(QStringView chunk) : buf_(chunk.toString()), n_(buf_.size()) {}

  StatusReplies run() {
    try {
      walk();
    } catch (const ConversionError& e) {
      result_.failedText = e.text();
    }
    return std::move(result_);
  }

 private:
  void walk() {
    pos_ = qMin<qsizetype>(3, n_);
    for (;;) {
      const qsizetype ret = findRet();
      const int address = hexDigitsToInt(ret < 0 ? QStringView() : QStringView(buf_).mid(pos_, ret - pos_));
      if (const qsizetype eq = findEquals(); eq >= 0) pos_ = eq + 1;
      removeFirst(u'\r', crAbsent_);
      removeFirst(u'\n', lfAbsent_);
      const qsizetype hash = buf_.indexOf(u'#', pos_);
      if (hash < 0) {
        result_.replies.append({address, StrToInt(QStringView(buf_).mid(pos_))});
        return;
      }
      result_.replies.append({address, StrToInt(QStringView(buf_).mid(pos_, hash - pos_))});
      pos_ = qMin(hash + 1 + 2, n_);  // past the "#" and the "0x" that follows it
    }
  }

  qsizetype findRet() {
    if (retAbsent_) return -1;
    const qsizetype at = buf_.indexOf(u" Ret", pos_);
    retAbsent_ = at < 0;
    return at;
  }

  qsizetype findEquals() {
    if (eqAbsent_) return -1;
    const qsizetype at = buf_.indexOf(u'=', pos_);
    eqAbsent_ = at < 0;
    return at;
  }

  void removeFirst(QChar ch, bool& absent) {
    if (absent) return;
    const qsizetype at = buf_.indexOf(ch, pos_);
    if (at < 0) {
      absent = true;
      return;
    }
    QChar* d = buf_.data();
    std::memmove(d + pos_ + 1, d + pos_, static_cast<std::size_t>(at - pos_) * sizeof(QChar));
    ++pos_;
    // Closing the gap can join " Ret" across the removed character.
    if (retAbsent_ && QStringView(buf_).mid(qMax(pos_, at - 3), 7).contains(u" Ret")) retAbsent_ = false;
  }

  StatusReplies result_;
  QString buf_;
  const qsizetype n_;
  qsizetype pos_ = 0;
  bool crAbsent_ = false, lfAbsent_ = false, retAbsent_ = false, eqAbsent_ = false;
};

int hexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}

// Replies exactly as a controller sends them, one after another: "#0x", two hexadecimal digits,
// " Ret X:1=", one to nine decimal digits, CR LF. A flood is read in one quick pass; false for any
// other text, which the walk reads (it gives the same replies for such a chunk).
bool readPlainReplies(QStringView s, QList<StatusReply>& replies) {
  constexpr QStringView kRet = u" Ret X:1=";
  const qsizetype n = s.size();
  qsizetype p = 0;
  replies.reserve(n / 17);
  while (p < n) {
    if (n - p < 3 + 2 + kRet.size() + 1 + 2 || s[p] != u'#' || s[p + 1] != u'0' || s[p + 2] != u'x') return false;
    const int high = hexDigitValue(s[p + 3]), low = hexDigitValue(s[p + 4]);
    if (high < 0 || low < 0 || s.sliced(p + 5, kRet.size()) != kRet) return false;
    p += 5 + kRet.size();
    int value = 0, digits = 0;
    for (; p < n && digits < 9 && s[p] >= u'0' && s[p] <= u'9'; ++p, ++digits)
      value = value * 10 + (s[p].unicode() - u'0');
    if (digits == 0 || n - p < 2 || s[p] != u'\r' || s[p + 1] != u'\n') return false;
    p += 2;
    replies.append({high * 16 + low, value});
  }
  return n > 0;
}

}  // namespace

StatusReplies parseStatusReplies(QStringView chunk) {
  StatusReplies plain;
  if (readPlainReplies(chunk, plain.replies)) {
    plain.plain = true;
    return plain;
  }
  return StatusWalk(chunk).run();
}

QList<StatusReply> readStatusReplies(QStringView chunk) {
  StatusReplies read = parseStatusReplies(chunk);
  if (read.failedText) throw ConversionError(*read.failedText);
  return std::move(read.replies);
}

void applyStatusReplies(const StatusReplies& replies) {
  for (const StatusReply& r : replies.replies)
    if (isSystemSlot(r.address)) SystemArray[r.address].Status = r.value;
  if (replies.failedText) throw ConversionError(*replies.failedText);
}

void GetStatus(QStringView s) { applyStatusReplies(parseStatusReplies(s)); }

QList<int> ReplyAddresses(const StatusReplies& read, QStringView chunk) {
  if (!read.plain) return ReplyAddresses(chunk);
  QList<int> result;
  for (const StatusReply& r : read.replies)
    if (isSystemSlot(r.address)) result.append(r.address);
  return result;
}

QList<int> ReplyAddresses(QStringView s) {
  QList<int> result;
  const qsizetype n = s.size();
  ForwardFinder ret(s, u" Ret"), cr(s, u"\r");
  qsizetype p = 0;
  while (n - p > 2) {
    ++p;
    if (p < n && s[p] == u'#') ++p;
    const qsizetype r = ret.from(p);
    const int address = HexToInt(r < 0 ? QStringView() : s.mid(p, r - p));
    if (isSystemSlot(address)) result.append(address);
    const qsizetype c = cr.from(p);
    if (c < 0) break;
    p = c + 1;
  }
  return result;
}

namespace command {

QString nameRequest() { return QStringLiteral("#0xFF Get Name") + CrLf; }

QString statusRequest(int address) { return "#0x" + hexText(address) + " Get X" + CrLf; }

QString setValue(int address, int value) {
  return "#0x" + hexText(address) + " Set X:1=" + QString::number(value) + CrLf;
}

}  // namespace command

bool isStatusReplyOf(QStringView line, int address) {
  return line.startsWith(QStringLiteral("#0x") + hexText(address, 2) + QStringLiteral(" Ret X"), Qt::CaseInsensitive);
}

bool isNameReply(QStringView line) { return line.startsWith(u"#0xFF Ret", Qt::CaseInsensitive); }
