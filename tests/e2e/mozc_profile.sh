# The fcitx5 profile of an input-method session, written into the HOME given:
# one group whose input method is Mozc, beside the plain US keyboard.
write_mozc_profile() {
  mkdir -p "$1/.config/fcitx5"
  printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=mozc' '' \
    '[Groups/0/Items/0]' 'Name=keyboard-us' 'Layout=' '' '[Groups/0/Items/1]' 'Name=mozc' 'Layout=' '' \
    '[GroupOrder]' '0=Default' >"$1/.config/fcitx5/profile"
}
