# Helper programs run by scripts, not by CTest. A plain build leaves them out.

# scripts/screenshots: renders the settings dialog, the hot switch and the tray
# menu under Wine and writes them as bitmaps. Linked like a test program (the
# program's code and resources) because it also draws the hot switch's button
# in its own process.
add_executable(screenshot_driver EXCLUDE_FROM_ALL
  ${CMAKE_CURRENT_LIST_DIR}/screenshot_driver.cpp ${CMAKE_SOURCE_DIR}/res/Hopdeck.rc)
target_link_libraries(screenshot_driver PRIVATE test_support)
target_compile_options(screenshot_driver PRIVATE ${HOPDECK_WARNINGS})
target_link_options(screenshot_driver PRIVATE ${HOPDECK_LINK_FLAGS})
add_dependencies(screenshot_driver Hopdeck)
