# Sources of the hot switch (floating window, image button, image holder).
set(HOTSWITCH_SOURCES
  hotswitch/ImageHolder.cpp
  hotswitch/AlphaButton.cpp
  hotswitch/HotSwitchDlg.cpp
)
