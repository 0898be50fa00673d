// MeCab with the IPA dictionary (mecab-ipadic-utf8) as a module of its own,
// so that a machine without them only goes without furigana. One tagger is
// made at the first call and kept; calls take turns on it.
#include <mecab.h>

#include <QFileInfo>
#include <QtGlobal>
#include <mutex>

#include "adapters/mecab_module.h"

namespace {

using shurencho::TextWord;

// The IPA dictionary in UTF-8, where Debian puts it; MeCab's own choice
// (mecabrc) where it is not there.
constexpr char kDictionary[] = "/var/lib/mecab/dic/ipadic-utf8";

std::mutex g_mutex;
mecab_t* g_tagger = nullptr;
QString g_failed;

bool Start(QString* error) {
  if (g_tagger != nullptr) return true;
  if (g_failed.isEmpty()) {
    const QByteArray args =
        QFileInfo(QString::fromLatin1(kDictionary)).isDir() ? QByteArray("-d ") + kDictionary : QByteArray();
    g_tagger = mecab_new2(args.constData());
    if (g_tagger == nullptr) {
      const char* why = mecab_strerror(nullptr);
      g_failed = QStringLiteral("MeCab の辞書（mecab-ipadic-utf8）を開けません: %1")
                     .arg(QString::fromUtf8(why != nullptr ? why : ""));
    }
  }
  if (g_tagger == nullptr && error != nullptr) *error = g_failed;
  return g_tagger != nullptr;
}

// The IPA dictionary's features: part of speech first, the reading eighth.
bool Words(const QString& text, QList<TextWord>* words, QString* error) {
  words->clear();
  const std::lock_guard lock(g_mutex);
  if (!Start(error)) return false;
  const QByteArray utf8 = text.toUtf8();
  const mecab_node_t* node =
      mecab_sparse_tonode2(g_tagger, utf8.constData(), static_cast<size_t>(utf8.size()));
  if (node == nullptr) {
    if (error != nullptr) *error = QString::fromUtf8(mecab_strerror(g_tagger));
    return false;
  }
  // Byte offsets become UTF-16 offsets as the text is walked once.
  qsizetype byteAt = 0;
  qsizetype unitAt = 0;
  for (; node != nullptr; node = node->next) {
    if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
    const qsizetype begin = node->surface - utf8.constData();
    if (begin < byteAt || begin + node->length > utf8.size()) continue;
    unitAt += QString::fromUtf8(utf8.constData() + byteAt, begin - byteAt).size();
    const qsizetype units = QString::fromUtf8(node->surface, node->length).size();
    TextWord word;
    word.start = unitAt;
    word.length = units;
    const QStringList features = QString::fromUtf8(node->feature).split(QLatin1Char(','));
    if (node->stat == MECAB_NOR_NODE && features.size() > 7 && features[7] != QStringLiteral("*"))
      word.reading = features[7];
    word.number = features.value(1) == QStringLiteral("数");
    words->append(word);
    byteAt = begin + node->length;
    unitAt += units;
  }
  return true;
}

const shurencho::MecabModule kModule{
    .header = shurencho::ModuleHeaderOf<shurencho::MecabModule>(),
    .words = &Words,
};

}  // namespace

extern "C" Q_DECL_EXPORT const shurencho::MecabModule* shurencho_mecab_module_table() { return &kModule; }
