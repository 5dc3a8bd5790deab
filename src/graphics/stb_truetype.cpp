// The one translation unit that compiles stb_truetype's implementation; the
// rest of the library sees only its declarations.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
