/* Forced ahead of every file compiled as Microsoft's compiler would (clang-cl) against the
 * MinGW-w64 headers, Debian's only Windows headers. Those headers hide __attribute__ from any
 * compiler that is not GCC, which breaks clang's own intrinsics headers, and they place
 * __declspec(noreturn) and __declspec(deprecated) where only GCC's attributes may stand. */
#include <_mingw.h>
#undef __attribute__
#undef __MINGW_ATTRIB_NORETURN
#define __MINGW_ATTRIB_NORETURN __attribute__((__noreturn__))
#undef __MINGW_ATTRIB_DEPRECATED
#define __MINGW_ATTRIB_DEPRECATED __attribute__((__deprecated__))
