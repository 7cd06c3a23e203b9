#include "FuzzDecoder.h"
#include "util/image/BmpDecoder.h"

VADROME_FUZZ_DECODER(DecodeBmp)
