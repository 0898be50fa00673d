#include "adapters/furigana_reader.h"

#include "adapters/mecab_module.h"

namespace shurencho {

namespace {

bool ModuleWords(const QString& text, QList<TextWord>* words, QString* error) {
  const ModuleLoad<MecabModule>& module = LoadModule<MecabModule>();
  if (module.api == nullptr) {
    if (error != nullptr) *error = module.error;
    return false;
  }
  return module.api->words(text, words, error);
}

}  // namespace

FuriganaReader::FuriganaReader(QString kanjiTable, Words words)
    : m_kanjiTable(std::move(kanjiTable)), m_words(words ? std::move(words) : Words(&ModuleWords)) {}

bool FuriganaReader::Start() {
  if (m_started) return *m_started;
  QString error;
  QList<TextWord> probe;
  if (!m_table.Load(m_kanjiTable, &error)) {
    m_why = QStringLiteral("ふりがなは使えません（%1）").arg(error);
  } else if (!m_words(QStringLiteral("漢字"), &probe, &error)) {
    m_why =
        QStringLiteral("ふりがなは使えません（MeCab と辞書 mecab-ipadic-utf8 が要ります: %1）").arg(error);
  }
  m_started = m_why.isEmpty();
  return *m_started;
}

bool FuriganaReader::Available(QString* why) {
  const bool on = Start();
  if (!on && why != nullptr) *why = m_why;
  return on;
}

QList<Ruby> FuriganaReader::RubyFor(const QString& text, SchoolYear year) {
  if (year == SchoolYear::Unset || year == SchoolYear::Adult || !Start()) return {};
  QList<TextWord> words;
  if (!m_words(text, &words, nullptr)) return {};
  return TextRuby(text, words, m_table, year);
}

}  // namespace shurencho
