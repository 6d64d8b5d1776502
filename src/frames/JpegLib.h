// libjpeg's 6b API, includable beside <windows.h>. The library was built with
// its own `boolean` (an int), while the Windows headers define an unsigned
// char of that name: the rename keeps the structures' layout the library's.
#pragma once

#include <cstddef>
#include <cstdio>

#define boolean jpeg_boolean
#include <jpeglib.h>
#include <jerror.h>
#undef boolean
