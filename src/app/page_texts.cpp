#include "app/page_texts.h"

namespace shurencho {

namespace page_texts {

QString Drill() {
  return QStringLiteral(
      "1.コースを選択\r\n　コース名を左クリック\r\n2.キーボード入力\r\n※ RANDUM\r\n　ランダム出題\r\n"
      "※ ROMA\r\n　ローマ字表記有無\r\n※ローマ字変換操作\r\n1.読みを入力\r\n2.変換\r\n"
      " 変換/次候補(SPACE)\r\n ひらがな変換(F6)\r\n カタカナ変換(F7)\r\n 英数変換(F9)\r\n"
      "3.確定(Enter)\r\n・確定取消(CTRL+BS)\r\n4.次問題(ENTER)");
}

QString Typing() {
  return QStringLiteral(
      "長文入力（実践）\r\n\r\n1.読み込みボタンを左クリック\r\n2.問題文書を一覧から選択\r\n"
      "3.開くボタンを左クリックして、問題文書を読み込む\r\n4.キーボード入力\r\n"
      "※入力が終わったら、読み込みボタンを左クリックして再挑戦");
}

QString Maze() {
  return QStringLiteral(
      "迷路（ポイント練習）\r\n\r\n　START(青四角)からGORL(赤四角)へ、壁(黒壁)を避けてマウスを移動\r\n"
      "※GORL(赤四角)で左クリックすると次画面へ\r\n※START(青四角)で左クリックすると迷路の外へ");
}

QString Click() {
  return QStringLiteral("的打ち（クリック練習）\r\n\r\n　逃げる標的（赤丸）をマウスで左クリック");
}

QString Drag() {
  return QStringLiteral("かご入れ（ドラック練習）\r\n\r\n　標的（白丸）をかご（青四角）へマウスで左ドラック");
}

QString Puzzle() {
  return QStringLiteral(
      "パズル（ダブルクリック練習）\r\n\r\n　パズルの抜けた部分（？ピースの箇所）の上下左右ピースをマウスで左"
      "ダブルクリック\r\n"
      "※１～１６まできれいにそろえたら、シャッフルボタンを左クリックして再ゲーム");
}

}  // namespace page_texts

}  // namespace shurencho
