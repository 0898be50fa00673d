#include "reading/kanji_table.h"

#include <array>

#include "text/text_file.h"

namespace shurencho {

namespace {

constexpr std::array<const char16_t*, 11> kYearNames = {u"小1", u"小2", u"小3", u"小4",  u"小5", u"小6",
                                                        u"中1", u"中2", u"中3", u"高校", u"大人"};

}  // namespace

QString SchoolYearName(SchoolYear year) {
  const int i = static_cast<int>(year) - 1;
  return i >= 0 && i < static_cast<int>(kYearNames.size()) ? QString::fromUtf16(kYearNames[i]) : QString();
}

SchoolYear SchoolYearFromName(const QString& name) {
  for (size_t i = 0; i < kYearNames.size(); ++i)
    if (name == QString::fromUtf16(kYearNames[i])) return static_cast<SchoolYear>(i + 1);
  return SchoolYear::Unset;
}

bool IsKanji(char32_t c) {
  return (c >= 0x4e00 && c <= 0x9fff) || (c >= 0x3400 && c <= 0x4dbf) || (c >= 0xf900 && c <= 0xfaff) ||
         (c >= 0x20000 && c <= 0x3134f) || c == U'々';
}

bool KanjiTable::Load(const QString& path, QString* error) {
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(path, 4 * 1024 * 1024, &bytes, &fault)) {
    if (error != nullptr) *error = FileFaultText(fault, path);
    return false;
  }
  return LoadText(QString::fromUtf8(bytes), path, error);
}

bool KanjiTable::LoadText(const QString& text, const QString& name, QString* error) {
  m_entries.clear();
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const QString line = lines[n].trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QList<uint> kanji = fields.value(0).toUcs4();
    bool ok = false;
    const int grade = fields.value(1).toInt(&ok);
    if (kanji.size() != 1 || !IsKanji(kanji[0]) || !ok || grade < 1 || grade > 10) {
      if (error != nullptr)
        *error = QStringLiteral("漢字の表の %1 行目が読めません: %2").arg(n + 1).arg(name);
      m_entries.clear();
      return false;
    }
    m_entries.insert(kanji[0], Entry{grade, fields.mid(2)});
  }
  if (m_entries.isEmpty()) {
    if (error != nullptr) *error = QStringLiteral("漢字の表が空です: %1").arg(name);
    return false;
  }
  return true;
}

bool KanjiTable::Knows(SchoolYear year, char32_t kanji) const {
  const int grade = Grade(kanji);
  switch (year) {
    case SchoolYear::Unset:
    case SchoolYear::Adult:
      return true;
    case SchoolYear::Koko:
      return grade >= 1 && grade <= 8;
    case SchoolYear::Chu1:
    case SchoolYear::Chu2:
    case SchoolYear::Chu3:
      return grade >= 1 && grade <= 6;
    default:
      return grade >= 1 && grade < static_cast<int>(year);
  }
}

}  // namespace shurencho
