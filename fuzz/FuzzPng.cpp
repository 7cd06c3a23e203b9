#include "FuzzDecoder.h"
#include "util/image/PngDecoder.h"

VADROME_FUZZ_DECODER(DecodePng)
