# Tests of the hot switch: the image holder and button on PNGs made by the
# tests, and the window in this process with a stand-in main window.
hopdeck_add_test(hotswitch_tests KEYBOARD
  hotswitch/image_holder_test.cpp
  hotswitch/alpha_button_test.cpp
  hotswitch/hot_switch_test.cpp
  support/png_maker.cpp
)
