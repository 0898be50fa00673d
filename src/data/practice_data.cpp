#include "data/practice_data.h"

#include "data/word_list.h"
#include "platform/data_dirs.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

using ItemsFromText = std::function<CourseItemList(const QString& text, const QString& path)>;

// The file is read and checked now, so a fault is told at start-up with its
// line; its items are made again from the text when first asked for.
CourseList ReadNowMakeLater(const QString& path, const ItemsFromText& items) {
  QString text = ReadTextFile(path);
  text.squeeze();
  items(text, path);
  return CourseList::Later([text = std::move(text), path, items] { return items(text, path); });
}

}  // namespace

PracticeData LoadPracticeData(const AppSettings& settings, const QString& programPath,
                              const KeyboardFiles& keyboards) {
  const auto find = [&programPath](const QString& name) { return FindDataFile(name, programPath); };
  PracticeData data;
  data.kanaRomaTable = LoadKanaRomaTable(find(settings.KanaToRoma));
  data.kanaKeyList = BuildKanaKeyList(data.kanaRomaTable);
  // The letters are the table's lines, which stay: a copy of the table shares its text.
  data.alphabetLetters =
      CourseList::Later([table = data.kanaRomaTable] { return BuildAlphabetLetterList(table); });
  const auto words = [](const char* flags) {
    return [flags = QString::fromLatin1(flags)](const QString& text, const QString& path) {
      return LoadWordListFromText(text, path, flags);
    };
  };
  data.alphabetWords = ReadNowMakeLater(find(settings.ArphTango), words(kAlphabetWordFlags));
  data.kanaLetters = CourseList::Later([table = data.kanaRomaTable] { return BuildKanaLetterList(table); });
  data.kanaWords = ReadNowMakeLater(find(settings.RomaTango), words(kKanaWordFlags));
  data.conversionWords = ReadNowMakeLater(find(settings.RomaTangoH), LoadConversionListFromText);
  data.mazeMap = LoadMazeMap(find(settings.GameMap));
  data.keyboards = LoadKeyboardLayouts(programPath, keyboards);
  return data;
}

}  // namespace shurencho
