// The program's version, in one place: the resource script and the package script read it.
#pragma once

#define HOPDECK_VERSION_MAJOR 1
#define HOPDECK_VERSION_MINOR 0
#define HOPDECK_VERSION_PATCH 0
#define HOPDECK_VERSION_STR   "1.0.0"
