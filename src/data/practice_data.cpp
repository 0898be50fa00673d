#include "data/practice_data.h"

#include "data/word_list.h"
#include "platform/data_dirs.h"

namespace shurencho {

PracticeData LoadPracticeData(const AppSettings& settings, const QString& programPath,
                              const KeyboardFiles& keyboards) {
  const auto find = [&programPath](const QString& name) { return FindDataFile(name, programPath); };
  PracticeData data;
  data.kanaRomaTable = LoadKanaRomaTable(find(settings.KanaToRoma));
  data.kanaKeyList = BuildKanaKeyList(data.kanaRomaTable);
  data.alphabetLetters = BuildAlphabetLetterList(data.kanaRomaTable);
  data.alphabetWords = LoadWordList(find(settings.ArphTango), QString::fromLatin1(kAlphabetWordFlags));
  data.kanaLetters = BuildKanaLetterList(data.kanaRomaTable);
  data.kanaWords = LoadWordList(find(settings.RomaTango), QString::fromLatin1(kKanaWordFlags));
  data.conversionWords = LoadConversionList(find(settings.RomaTangoH));
  data.mazeMap = LoadMazeMap(find(settings.GameMap));
  data.keyboards = LoadKeyboardLayouts(programPath, keyboards);
  return data;
}

}  // namespace shurencho
