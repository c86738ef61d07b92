# Sources of the hot switch (floating window, image button, image holder).
set(HOTSWITCH_SOURCES
)
