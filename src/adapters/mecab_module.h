#pragma once
// The table of functions the MeCab module exports: the words of a text and
// their readings, as the morphological analyser reads them in context.

#include <QList>
#include <QString>

#include "adapters/module_loader.h"
#include "reading/furigana.h"

namespace shurencho {

struct MecabModule {
  static constexpr const char* kName = "shurencho_mecab";
  static constexpr const char* kEntry = "shurencho_mecab_module_table";
  // Raised whenever a function below changes or moves.
  static constexpr std::uint32_t kAbiVersion = 1;

  ModuleHeader header;
  // The words of `text` in order; false, with why in *error, when MeCab or
  // its dictionary cannot be started. Safe from any thread.
  bool (*words)(const QString& text, QList<TextWord>* words, QString* error);
};

}  // namespace shurencho
