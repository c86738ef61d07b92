# Tests of the hot switch.
