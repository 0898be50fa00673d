#include "app/music_box.h"

MusicBox::MusicBox(AppSettings& settings, Platform& platform, std::function<void()> returnFocus)
    : m_settings(settings), m_platform(platform), m_returnFocus(std::move(returnFocus)) {
  Label16.caption = QStringLiteral("ＢＧＭ");
}

void MusicBox::FormCreate() { Label15.caption.clear(); }

void MusicBox::FormShow() {
  if (Label15.caption.isEmpty()) CheckBox3.enabled = false;
}
