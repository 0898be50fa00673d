#include "typing/rtf_reader.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <map>
#include <string_view>

#include "text/text_file.h"

namespace shurencho {

namespace {

// Groups nested deeper than this are still read, but their looks are not
// kept apart; real documents stay far below it and hostile ones cannot make
// the reader hold a state per byte.
constexpr std::size_t kMaxDepth = 1000;

// Destinations that hold no practice text: tables, document information,
// pictures and objects, field instructions, headers, footers, notes.
constexpr std::string_view kSkipped[] = {
    "info",
    "stylesheet",
    "pict",
    "object",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "annotation",
    "xe",
    "tc",
    "tcn",
    "fldinst",
    "bkmkstart",
    "bkmkend",
    "listtable",
    "listoverridetable",
    "revtbl",
    "rsidtbl",
    "generator",
    "themedata",
    "colorschememapping",
    "latentstyles",
    "datastore",
    "xmlnstbl",
    "filetbl",
    "nonshppict",
    "shp",
    "shpinst",
    "do",
    "pgdsctbl",
    "listpicture",
    "pn",
    "txe",
    "atnid",
    "atnauthor",
    "atnref",
    "atndate",
    "private",
    "template",
    "docvar",
    "userprops",
    "fchars",
    "lchars",
    "ftnsep",
    "ftnsepc",
    "ftncn",
    "aftnsep",
    "aftnsepc",
    "aftncn",
    "objdata",
    "objclass",
    "blipuid",
    "passwordhash",
    "author",
    "operator",
    "title",
    "subject",
    "keywords",
    "comment",
    "doccomm",
};

constexpr std::string_view kUnderlines[] = {
    "ul",    "uld",      "uldash",    "uldashd",    "uldashdd",  "uldb",       "ulhwave", "ulldash", "ulth",
    "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave",
};

template <std::size_t N>
bool OneOf(std::string_view word, const std::string_view (&list)[N]) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// The code page of a font character set; 0 means the document's own.
int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 2:
      return 1252;  // symbol fonts: shown as their Latin bytes
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 255:
      return 437;
    default:
      return 0;
  }
}

bool IsLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    default:
      return false;
  }
}

QString DecodeCodePage(int codePage, const QByteArray& bytes) {
  if (codePage == 932) return DecodeCp932(bytes);
  if (codePage == 65001) return QString::fromUtf8(bytes);
  QByteArray name;
  switch (codePage) {
    case 936:
      name = "GBK";
      break;
    case 950:
      name = "Big5";
      break;
    case 437:
      name = "IBM437";
      break;
    case 850:
      name = "IBM850";
      break;
    case 10000:
      name = "macintosh";
      break;
    default:
      name = "windows-" + QByteArray::number(codePage);
  }
  QStringDecoder decoder(name.constData());
  if (!decoder.isValid()) return QString::fromLatin1(bytes);
  return decoder.decode(bytes);
}

enum class Dest { Text, Skip, FontTable, ColourTable };

struct GroupState {
  Dest dest = Dest::Text;
  int uc = 1;  // fallback characters that follow a \uN
  bool bold = false;
  bool italic = false;
  bool underline = false;
  // Double-byte text is also bold or italic by the associated properties
  // (\ab, \ai), as some word processors write them for it.
  bool doubleByte = false;
  bool assocBold = false;
  bool assocItalic = false;
  int colour = 0;
  int font = -1;
};

class RtfParser final {
 public:
  explicit RtfParser(const QByteArray& in) : m_in(in) {}

  RichText Read() {
    const qsizetype n = m_in.size();
    while (m_pos < n) {
      const char c = m_in.at(m_pos++);
      const auto byte = static_cast<unsigned char>(c);
      if (m_rawLeadOpen && byte >= 0x40 && byte != 0x7F) {
        // A double-byte character written out raw: its trail byte may be a
        // backslash or a brace as well as any other.
        m_rawLeadOpen = false;
        Pending(byte);
        continue;
      }
      m_rawLeadOpen = false;
      if (c == '{') {
        Flush();
        m_skipFallback = 0;
        Open();
      } else if (c == '}') {
        Flush();
        m_skipFallback = 0;
        if (!Close()) break;
      } else if (c == '\\') {
        Control();
      } else if (c != '\r' && c != '\n') {
        Byte(byte);
      }
    }
    Flush();
    Finish();
    return std::move(m_out);
  }

 private:
  void Open() {
    if (m_stack.size() >= kMaxDepth) {
      ++m_extraDepth;
    } else {
      m_stack.push_back(m_state);
    }
  }

  // False once the outermost group has closed: the document ends there.
  bool Close() {
    if (m_extraDepth > 0) {
      --m_extraDepth;
      return true;
    }
    if (m_stack.empty()) return false;
    m_state = m_stack.back();
    m_stack.pop_back();
    return !m_stack.empty();
  }

  void Control() {
    const qsizetype n = m_in.size();
    if (m_pos >= n) return;
    const char c = m_in.at(m_pos);
    if (IsLetter(c)) {
      const qsizetype start = m_pos;
      while (m_pos < n && IsLetter(m_in.at(m_pos))) ++m_pos;
      const std::string_view word(m_in.constData() + start, static_cast<std::size_t>(m_pos - start));
      bool hasParam = false;
      bool negative = false;
      long long value = 0;
      if (m_pos < n && m_in.at(m_pos) == '-') {
        negative = true;
        ++m_pos;
      }
      while (m_pos < n && m_in.at(m_pos) >= '0' && m_in.at(m_pos) <= '9') {
        hasParam = true;
        if (value < INT_MAX) value = value * 10 + (m_in.at(m_pos) - '0');
        ++m_pos;
      }
      if (m_pos < n && m_in.at(m_pos) == ' ') ++m_pos;
      value = std::min<long long>(value, INT_MAX);
      Word(word, hasParam, static_cast<int>(negative ? -value : value));
    } else if (c == '\'') {
      ++m_pos;
      int high = -1;
      int low = -1;
      if (m_pos < n) high = HexValue(m_in.at(m_pos));
      if (high >= 0 && m_pos + 1 < n) low = HexValue(m_in.at(m_pos + 1));
      if (high < 0 || low < 0) {
        m_pos += high < 0 ? 0 : 1;  // a broken escape is left out, digits and all
        return;
      }
      m_pos += 2;
      HexByte(static_cast<unsigned char>(high * 16 + low));
    } else {
      ++m_pos;
      Symbol(c);
    }
  }

  void Word(std::string_view word, bool hasParam, int param) {
    if (word == "bin") {
      // Binary data: its bytes are never text, whatever they look like.
      const qsizetype count = std::clamp<qsizetype>(param, 0, m_in.size() - m_pos);
      m_pos += count;
      return;
    }
    Flush();
    if (m_skipFallback > 0) {
      --m_skipFallback;
      return;
    }
    if (m_state.dest == Dest::Skip || Destination(word)) return;
    if (m_state.dest == Dest::FontTable) {
      FontTableWord(word, param);
    } else if (m_state.dest == Dest::ColourTable) {
      ColourTableWord(word, param);
    } else if (!CharacterProperty(word, hasParam, param) && !SpecialCharacter(word, param)) {
      DocumentSetting(word, param);
    }
  }

  // A word that opens a destination of its own; true when it did.
  bool Destination(std::string_view word) {
    if (word == "fonttbl") {
      m_state.dest = Dest::FontTable;
    } else if (word == "colortbl") {
      m_state.dest = Dest::ColourTable;
      m_colours.clear();
    } else if (OneOf(word, kSkipped)) {
      m_state.dest = Dest::Skip;
    } else {
      return false;
    }
    return true;
  }

  void FontTableWord(std::string_view word, int param) {
    if (word == "f") {
      m_fontBeingDefined = param;
    } else if (word == "fcharset") {
      m_fontCodePage[m_fontBeingDefined] = CodePageOfCharset(param);
    } else if (word == "cpg") {
      m_fontCodePage[m_fontBeingDefined] = param;
    }
  }

  void ColourTableWord(std::string_view word, int param) {
    if (word == "red") m_red = param;
    if (word == "green") m_green = param;
    if (word == "blue") m_blue = param;
  }

  // The looks of the text that follows; true when the word was one of them.
  bool CharacterProperty(std::string_view word, bool hasParam, int param) {
    const bool on = !hasParam || param != 0;
    if (word == "b") {
      m_state.bold = on;
    } else if (word == "i") {
      m_state.italic = on;
    } else if (word == "ab") {
      m_state.assocBold = on;
    } else if (word == "ai") {
      m_state.assocItalic = on;
    } else if (word == "dbch") {
      m_state.doubleByte = true;
    } else if (word == "loch" || word == "hich") {
      m_state.doubleByte = false;
    } else if (word == "ulnone") {
      m_state.underline = false;
    } else if (OneOf(word, kUnderlines)) {
      m_state.underline = on;
    } else if (word == "plain") {
      m_state.bold = m_state.italic = m_state.underline = false;
      m_state.assocBold = m_state.assocItalic = false;
      m_state.colour = 0;
    } else if (word == "cf") {
      m_state.colour = param;
    } else if (word == "f") {
      m_state.font = param;
    } else if (word == "uc") {
      m_state.uc = std::max(0, param);
    } else {
      return false;
    }
    return true;
  }

  // Breaks, tabs and characters written as words; true when the word was one.
  bool SpecialCharacter(std::string_view word, int param) {
    if (word == "par" || word == "line" || word == "sect" || word == "row") {
      Emit(QStringLiteral("\r\n"));
    } else if (word == "tab" || word == "cell" || word == "nestcell") {
      Emit(QStringLiteral("\t"));
    } else if (word == "u") {
      Emit(QString(QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param))));
      m_skipFallback = m_state.uc;
    } else if (const char16_t ch = NamedCharacter(word)) {
      Emit(QString(QChar(ch)));
    } else {
      return false;
    }
    return true;
  }

  void DocumentSetting(std::string_view word, int param) {
    if (word == "ansicpg") {
      m_documentCodePage = param;
    } else if (word == "deff") {
      m_defaultFont = param;
    }
  }

  static char16_t NamedCharacter(std::string_view word) {
    if (word == "emdash") return 0x2014;
    if (word == "endash") return 0x2013;
    if (word == "emspace") return 0x2003;
    if (word == "enspace") return 0x2002;
    if (word == "qmspace") return 0x2005;
    if (word == "bullet") return 0x2022;
    if (word == "lquote") return 0x2018;
    if (word == "rquote") return 0x2019;
    if (word == "ldblquote") return 0x201C;
    if (word == "rdblquote") return 0x201D;
    return 0;
  }

  void Symbol(char c) {
    Flush();
    if (m_skipFallback > 0) {
      --m_skipFallback;
      return;
    }
    if (c == '*') {
      // An optional destination: whatever it is, it is none of ours.
      m_state.dest = Dest::Skip;
      return;
    }
    if (m_state.dest != Dest::Text) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Emit(QString(QLatin1Char(c)));
        break;
      case '~':
        Emit(QStringLiteral(" "));
        break;
      case '_':
        Emit(QStringLiteral("-"));
        break;
      case '\r':
      case '\n':
        Emit(QStringLiteral("\r\n"));
        break;
      default:
        break;  // optional hyphens and index marks show nothing
    }
  }

  void HexByte(unsigned char b) {
    if (m_skipFallback > 0) {
      --m_skipFallback;
      return;
    }
    if (m_state.dest == Dest::Text) Pending(b);
  }

  void Byte(unsigned char b) {
    if (m_skipFallback > 0) {
      --m_skipFallback;
      return;
    }
    switch (m_state.dest) {
      case Dest::Skip:
      case Dest::FontTable:
        return;
      case Dest::ColourTable:
        if (b == ';') EndColour();
        return;
      case Dest::Text:
        break;
    }
    if (b >= 0x80) {
      Pending(b);
      m_rawLeadOpen = m_leadOpen;
      return;
    }
    Flush();
    if (b == '\t' || b >= 0x20) Emit(QString(QLatin1Char(static_cast<char>(b))));
  }

  void EndColour() {
    if (m_red < 0 && m_green < 0 && m_blue < 0) {
      m_colours.emplace_back();  // "auto": the window text colour
    } else {
      m_colours.emplace_back(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255),
                             std::clamp(m_blue, 0, 255));
    }
    m_red = m_green = m_blue = -1;
  }

  int CurrentCodePage() const {
    const int font = m_state.font >= 0 ? m_state.font : m_defaultFont;
    const auto it = m_fontCodePage.find(font);
    if (it != m_fontCodePage.end() && it->second > 0) return it->second;
    return m_documentCodePage > 0 ? m_documentCodePage : 932;
  }

  void Pending(unsigned char b) {
    const int cp = CurrentCodePage();
    if (!m_bytes.isEmpty() && cp != m_bytesCodePage) Flush();
    m_bytesCodePage = cp;
    m_bytes.append(static_cast<char>(b));
    m_leadOpen = !m_leadOpen && IsLeadByte(cp, b);
  }

  void Flush() {
    if (m_bytes.isEmpty()) return;
    const QString text = DecodeCodePage(m_bytesCodePage, m_bytes);
    m_bytes.clear();
    m_leadOpen = false;
    m_rawLeadOpen = false;
    Emit(text);
  }

  // Appends text in the current look. Line breaks of any kind become CR LF;
  // characters the typing box cannot hold become ones it can.
  void Emit(const QString& piece) {
    if (m_state.dest != Dest::Text || piece.isEmpty()) return;
    QString text;
    text.reserve(piece.size() + 1);
    for (qsizetype i = 0; i < piece.size(); ++i) {
      const char16_t c = piece.at(i).unicode();
      if (c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029) {
        if (c == u'\r' && i + 1 < piece.size() && piece.at(i + 1) == QLatin1Char('\n')) ++i;
        text.append(QStringLiteral("\r\n"));
      } else if (c == 0x00A0) {
        text.append(QLatin1Char(' '));
      } else if (c == 0xFDD0 || c == 0xFDD1) {
        text.append(QChar(0xFFFD));
      } else if (c >= 0x20 || c == u'\t') {
        text.append(QChar(c));
      }
    }
    if (text.isEmpty()) return;
    TextRun look;
    look.bold = m_state.bold || (m_state.doubleByte && m_state.assocBold);
    look.italic = m_state.italic || (m_state.doubleByte && m_state.assocItalic);
    look.underline = m_state.underline;
    if (m_state.colour >= 0 && static_cast<std::size_t>(m_state.colour) < m_colours.size()) {
      look.colour = m_colours[static_cast<std::size_t>(m_state.colour)];
    }
    const int at = static_cast<int>(m_out.text.size());
    m_out.text.append(text);
    if (look.IsPlain()) return;
    std::vector<TextRun>& runs = m_out.runs;
    if (!runs.empty() && runs.back().start + runs.back().length == at && runs.back().SameLook(look)) {
      runs.back().length += static_cast<int>(text.size());
      return;
    }
    look.start = at;
    look.length = static_cast<int>(text.size());
    runs.push_back(look);
  }

  void Finish() {
    QString& text = m_out.text;
    if (text.endsWith(QStringLiteral("\r\n"))) {
      text.chop(2);
      std::vector<TextRun>& runs = m_out.runs;
      const int size = static_cast<int>(text.size());
      while (!runs.empty() && runs.back().start >= size) runs.pop_back();
      if (!runs.empty()) runs.back().length = std::min(runs.back().length, size - runs.back().start);
    }
    // \uN gives UTF-16 units one by one; a half pair left alone is no character.
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text.at(i);
      if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        ++i;
      } else if (c.isSurrogate()) {
        text[i] = QChar(0xFFFD);
      }
    }
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  const QByteArray& m_in;
  qsizetype m_pos = 0;
  GroupState m_state;
  std::vector<GroupState> m_stack;
  int m_extraDepth = 0;
  int m_skipFallback = 0;  // fallback characters still to pass over after \uN
  QByteArray m_bytes;      // code-page bytes not yet decoded
  int m_bytesCodePage = 0;
  bool m_leadOpen = false;     // the last pending byte began a double-byte character
  bool m_rawLeadOpen = false;  // …and it was written raw, not as \'hh
  int m_documentCodePage = 0;
  int m_defaultFont = -1;
  int m_fontBeingDefined = -1;
  std::map<int, int> m_fontCodePage;
  std::vector<QColor> m_colours;
  int m_red = -1;
  int m_green = -1;
  int m_blue = -1;
  RichText m_out;
};

}  // namespace

bool LooksLikeRtf(const QByteArray& bytes) { return bytes.startsWith("{\\rtf"); }

RichText ReadRtf(const QByteArray& rtf) { return RtfParser(rtf).Read(); }

}  // namespace shurencho
