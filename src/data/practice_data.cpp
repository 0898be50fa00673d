#include "data/practice_data.h"

#include "data/word_list.h"

const CourseItemList& PracticeData::Course(int k) const {
  switch (k) {
    case 1: return alphabetLetters;
    case 2: return alphabetWords;
    case 4: return kanaWords;
    case 5: return conversionWords;
    default: return kanaLetters;
  }
}

PracticeData LoadPracticeData(const AppSettings& settings) {
  PracticeData data;
  data.kanaRomaTable = LoadKanaRomaTable(settings.KanaToRoma);
  data.kanaKeyList = BuildKanaKeyList(data.kanaRomaTable);
  data.alphabetLetters = BuildAlphabetLetterList(data.kanaRomaTable);
  data.alphabetWords = LoadWordList(settings.ArphTango, QString::fromLatin1(kAlphabetWordFlags));
  data.kanaLetters = BuildKanaLetterList(data.kanaRomaTable);
  data.kanaWords = LoadWordList(settings.RomaTango, QString::fromLatin1(kKanaWordFlags));
  data.conversionWords = LoadConversionList(settings.RomaTangoH);
  data.mazeMap = LoadMazeMap(settings.GameMap);
  return data;
}
