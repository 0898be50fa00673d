#pragma once
// A practice item: the question, its reading, what the item allows, and the
// conversion candidates. The data files give each item as one line of comma
// text (question, reading, four flags, candidates); it is parsed once, here,
// and the drill reads named fields.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

namespace shurencho {

struct CourseItem {
  QString question;           // shown in Label43
  QString reading;            // typed in romaji
  bool hint = false;          // the romaji hint may be shown (ROMA)
  bool showsReading = false;  // clicking the question shows the reading
  bool readingOnly = false;   // answered by the reading; Enter goes on without converting
  bool noConversion = false;  // finished as soon as the reading is typed
  QStringList candidates;     // conversion candidates, in the list's order

  CourseItem() = default;
  // An item line of comma text: fields 0 and 1 are the question and the
  // reading, fields 2 to 5 the flags (set only when exactly "1"), the rest
  // the candidates. Implicit, so an item line stands for its item.
  CourseItem(const QString& commaText);  // NOLINT(google-explicit-constructor)
  // The same, telling how many fields the line held.
  CourseItem(const QString& commaText, int* fieldCount);
  CourseItem(const char* commaText) : CourseItem(QString::fromUtf8(commaText)) {}  // NOLINT

  bool operator==(const CourseItem&) const = default;
};

using CourseItemList = QList<CourseItem>;

// A course's items, made at once or when they are first asked for. The word
// files are read and checked at start-up, but a course the learner never
// opens need not keep a thousand small strings: until its items are asked
// for, its list holds only what makes them (the file's text). Made items
// are kept. Used from one thread.
class CourseList final {
 public:
  using Maker = std::function<CourseItemList()>;

  CourseList() = default;
  CourseList(CourseItemList items) : m_items(std::move(items)) {}  // NOLINT(google-explicit-constructor)
  CourseList(std::initializer_list<CourseItem> items) : m_items(items) {}
  // Items made by `make` when first asked for.
  static CourseList Later(Maker make);

  const CourseItemList& items() const;
  operator const CourseItemList&() const { return items(); }  // NOLINT(google-explicit-constructor)
  qsizetype size() const { return items().size(); }
  const CourseItem& at(qsizetype i) const { return items().at(i); }
  CourseItemList::const_iterator begin() const { return items().begin(); }
  CourseItemList::const_iterator end() const { return items().end(); }
  void clear();
  void append(const CourseItem& item);

 private:
  mutable CourseItemList m_items;
  mutable Maker m_make;
};

// The flag fields of letter and word items, which are finished by typing
// alone: without and with the romaji hint (alphabet and kana).
inline constexpr char kTypedAloneFlags[] = "0,0,0,1,";
inline constexpr char kTypedAloneWithHintFlags[] = "1,0,0,1,";

// Items that are one word in every place (question, reading and the one
// candidate) with the same flags: the word and letter lists, made directly
// rather than written out as comma text and read back.
class WordItemMaker final {
 public:
  // `flags`: the four flag fields with a comma after them (kTypedAloneFlags…).
  explicit WordItemMaker(const QString& flags);
  CourseItem operator()(const QString& word) const;

 private:
  CourseItem m_flags;
};

}  // namespace shurencho
