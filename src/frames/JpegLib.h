// libjpeg's 6b API. jpeglib.h needs FILE declared first; its Windows build
// defines `boolean` as the Windows headers do, so both can be included.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>
