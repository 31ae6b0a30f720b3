/* Forced into jansson's 32-bit build (tools/setup.sh). mingw-w64's headers
   send strtod to the runtime's static C99 parser, which links about 20 KB of
   gdtoa into the installer; JSON numbers are plain decimals that msvcrt.dll's
   own strtod reads, as the installer's C++ code already does. jansson formats
   through msvcrt.dll's _snprintf either way. */
#define __USE_MINGW_ANSI_STDIO 0
#include <stdlib.h>
#undef strtod
